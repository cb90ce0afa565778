#!/usr/bin/env bash
# Installs what building, running and testing need on Debian 12. Safe to run again.
set -euo pipefail
sudo_cmd=""
[ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
packages=(
  cmake g++ ninja-build
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev libgl-dev
  wkhtmltopdf chromium poppler-utils
  xvfb xauth xdotool imagemagick fonts-dejavu-core python3
  desktop-file-utils appstream lintian dpkg-dev file
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
