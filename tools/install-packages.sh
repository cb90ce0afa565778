#!/usr/bin/env bash
# Installs the Debian packages named as arguments that are not installed yet. Safe to run again.
set -euo pipefail
sudo_cmd=""
[ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
missing=()
for p in "$@"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  $sudo_cmd apt-get -o DPkg::Lock::Timeout=900 update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get -o DPkg::Lock::Timeout=900 \
    install -y -qq --no-install-recommends "${missing[@]}"
fi
