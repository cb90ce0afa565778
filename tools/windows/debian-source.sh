#!/usr/bin/env bash
# Fetches and unpacks a Debian source package with a private deb-src list made from the system's own
# archive entries, so the system's apt configuration stays untouched.
# Usage: debian-source.sh <cache folder> <source package>[=<version>] <destination folder>
# The cache folder keeps apt's lists between calls; the destination is replaced.
set -euo pipefail
cache="$1" package="$2" dest="$3"

apt_dir="$cache/apt"
download="$cache/download"
mkdir -p "$apt_dir/sources.list.d" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
: >"$apt_dir/sources.list"
if [ -f /etc/apt/sources.list ]; then
  sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' /etc/apt/sources.list >>"$apt_dir/sources.list"
fi
for f in /etc/apt/sources.list.d/*.sources; do
  [ -f "$f" ] && sed 's/^Types:.*/Types: deb-src/' "$f" >"$apt_dir/sources.list.d/$(basename "$f")"
done
apt_opts=(-o "Dir::Etc::SourceList=$apt_dir/sources.list"
  -o "Dir::Etc::SourceParts=$apt_dir/sources.list.d"
  -o "Dir::State::Lists=$apt_dir/lists"
  -o "Dir::Cache=$apt_dir/cache"
  -o "APT::Sandbox::User=root")
apt-get "${apt_opts[@]}" update -qq
rm -rf "$download"
mkdir -p "$download"
(cd "$download" && apt-get "${apt_opts[@]}" source -qq "$package")
unpacked="$(find "$download" -mindepth 1 -maxdepth 1 -type d | head -n1)"
rm -rf "$dest"
mkdir -p "$(dirname "$dest")"
mv "$unpacked" "$dest"
rm -rf "$download"
