#!/usr/bin/env bash
# Installs what building, running and testing need on Debian 12. Safe to run again.
set -euo pipefail
packages=(
  cmake g++ ninja-build ccache
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev libgl-dev libqpdf-dev qpdf pkgconf
  wkhtmltopdf chromium chromium-headless-shell poppler-utils
  xvfb xauth xdotool imagemagick fonts-dejavu-core python3 openssl
  desktop-file-utils appstream lintian dpkg-dev file libglib2.0-bin
)
bash "$(dirname "$0")/install-packages.sh" "${packages[@]}"
