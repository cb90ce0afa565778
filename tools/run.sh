#!/usr/bin/env bash
# Installs, builds and starts the program (under Xvfb when there is no display).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/tools/install-deps.sh"
"$root/tools/build.sh" HTML2PDFConverter # the program alone; tools/test.sh builds the rest
program="${BUILD_DIR:-$root/build}/HTML2PDFConverter"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$program"
else
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$program"
fi
