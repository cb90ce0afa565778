#!/usr/bin/env bash
# Builds the Debian package from the build folder, checks its metadata and files, unpacks it into a
# scratch root with dpkg -x and runs the installed command line there on a local file, with the fake
# converter as the wkhtmltopdf on PATH.
# Usage: test_deb_package.sh BUILD_DIR FAKE_CONVERTER
# Exit status 77 (a skip for ctest) when the Debian packaging tools are missing.
set -euo pipefail
build="$1"
fake="$2"

for tool in cpack dpkg-deb dpkg-shlibdeps; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed"
    exit 77
  fi
done

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/package" >"$scratch/cpack.log" 2>&1 ||
  { cat "$scratch/cpack.log"; fail "cpack could not build the package"; }
debs=("$scratch"/package/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one .deb, found: ${debs[*]}"
deb="${debs[0]}"

depends="$(dpkg-deb -f "$deb" Depends)"
for needed in wkhtmltopdf libqt6core6 libqt6widgets6 libqt6svg6; do
  [[ ", $depends," == *", $needed"[\ ,]* ]] || fail "Depends lacks $needed: $depends"
done
[ "$(dpkg-deb -f "$deb" Recommends)" = "chromium-headless-shell | chromium" ] ||
  fail "Recommends is not chromium-headless-shell | chromium: $(dpkg-deb -f "$deb" Recommends)"
[ "$(dpkg-deb -f "$deb" Package)" = velmora-html2pdf ] || fail "wrong package name"

root="$scratch/root"
dpkg -x "$deb" "$root"
app_id=example.velmora.Html2PdfConverter
for file in usr/bin/velmora-html2pdf \
  "usr/share/applications/$app_id.desktop" \
  "usr/share/icons/hicolor/scalable/apps/$app_id.svg" \
  "usr/share/metainfo/$app_id.metainfo.xml" \
  usr/share/man/man1/velmora-html2pdf.1.gz \
  usr/share/doc/velmora-html2pdf/copyright; do
  [ -s "$root/$file" ] || fail "the package lacks $file"
done
[ -x "$root/usr/bin/velmora-html2pdf" ] || fail "the command is not executable"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$root/usr/share/applications/$app_id.desktop" || fail "desktop entry invalid"
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$root/usr/share/metainfo/$app_id.metainfo.xml" >"$scratch/appstream.log" 2>&1 ||
    { cat "$scratch/appstream.log"; fail "AppStream metadata invalid"; }
fi
if command -v lintian >/dev/null; then
  lintian --fail-on error "$deb" >"$scratch/lintian.log" 2>&1 ||
    { cat "$scratch/lintian.log"; fail "lintian reports errors"; }
fi

# The installed command, with no display, the fake as the converter on PATH and a home of its own.
mkdir -p "$scratch/path" "$scratch/home" "$scratch/pages"
cp "$fake" "$scratch/path/wkhtmltopdf"
page="$scratch/pages/page one.html"
printf '<html><body><p>Installed</p></body></html>\n' >"$page"
set +e
output="$(cd "$scratch" && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME="$scratch/home" \
  XDG_CONFIG_HOME="$scratch/home/.config" PATH="$scratch/path" \
  "$root/usr/bin/velmora-html2pdf" --output "$scratch/out" "$page")"
status=$?
set -e
echo "$output"
[ $status -eq 0 ] || fail "the installed command exited with $status"
expected="$(printf 'converted\t%s\t%s' "$page" "$scratch/out/page one-html.pdf")"
[ "$output" = "$expected" ] || fail "expected the line: $expected"
head -c 5 "$scratch/out/page one-html.pdf" | grep -q '%PDF-' || fail "no PDF was written"
[ ! -e "$scratch/home/.config" ] || fail "the command line wrote settings"

# Every Qt plugin the installed window loads must come from a package it depends on: the executable
# does not link plugins, so the shared-library scan cannot find them. The window runs with no display
# of its own; its plugins are read from the process's memory map once it has drawn its icons (the SVG
# image plugin is loaded) and the set stops growing.
# A runtime folder of its own: a window already open in this session would take the start over.
mkdir -m 700 "$scratch/runtime"
if command -v dpkg-query >/dev/null && [ -r /proc/self/maps ]; then
  env HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/home/.config" XDG_RUNTIME_DIR="$scratch/runtime" \
    QT_QPA_PLATFORM=offscreen \
    "$root/usr/bin/velmora-html2pdf" >"$scratch/window.log" 2>&1 &
  window=$!
  plugins=""
  stable=0
  for _ in $(seq 1 480); do
    sleep 0.25
    [ -r "/proc/$window/maps" ] || break
    now="$(grep -o '/[^ ]*/qt6/plugins/[^ ]*\.so' "/proc/$window/maps" | sort -u || true)"
    if grep -q '/imageformats/libqsvg\.so$' <<<"$now" && [ "$now" = "$plugins" ]; then
      stable=$((stable + 1))
      [ $stable -ge 8 ] && break
    else
      stable=0
    fi
    plugins="$now"
  done
  kill "$window" 2>/dev/null || true
  wait "$window" 2>/dev/null || true
  [ -n "$plugins" ] || { cat "$scratch/window.log"; fail "the installed window loaded no Qt plugin"; }
  grep -q '/imageformats/libqsvg\.so$' <<<"$plugins" || fail "the window did not load the SVG image plugin"
  for plugin in $plugins; do
    owner="$(dpkg-query -S "$plugin" | head -n 1 | cut -d: -f1)"
    [[ ", $depends," == *", $owner"[\ ,]* ]] || fail "$plugin comes from $owner, which Depends lacks: $depends"
    echo "plugin $plugin: $owner"
  done
fi
# The desktop entry as a desktop uses it: registered for "Open with" once the applications folder is
# indexed (as the package's trigger does on install), and launched by gio with a file, which must start
# the installed command with the file queued and show its window (on a display of its own).
for tool in gio update-desktop-database Xvfb xdotool; do
  command -v "$tool" >/dev/null || fail "$tool is not installed (tools/install-deps.sh installs it)"
done
update-desktop-database "$root/usr/share/applications"
desktop_env=(env -i HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/home/.config" XDG_RUNTIME_DIR="$scratch/runtime"
  XDG_DATA_HOME="$scratch/home/.local/share" XDG_DATA_DIRS="$root/usr/share" LANG=C.UTF-8
  PATH="$root/usr/bin:/usr/bin:/bin")
"${desktop_env[@]}" gio mime text/html >"$scratch/mime.log" 2>&1 || true
grep -q "^[[:space:]]$app_id\.desktop\$" "$scratch/mime.log" ||
  { cat "$scratch/mime.log"; fail "the desktop entry is not offered to open HTML files"; }

Xvfb -displayfd 3 -nolisten tcp -screen 0 1024x768x24 3>"$scratch/display" 2>"$scratch/xvfb.log" &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null; rm -rf "$scratch"' EXIT
timeout 30 bash -c "until [ -s '$scratch/display' ]; do sleep 0.1; done" ||
  { cat "$scratch/xvfb.log"; fail "Xvfb did not start"; }
display=":$(head -n 1 "$scratch/display")"
queued="$scratch/pages/queued page.html"
cp "$page" "$queued"
"${desktop_env[@]}" DISPLAY="$display" gio launch "$root/usr/share/applications/$app_id.desktop" "$queued" ||
  fail "gio could not launch the installed desktop entry"
window="$(DISPLAY="$display" timeout 60 xdotool search --sync --onlyvisible --name '^Velmora Free HTML to PDF Converter$' |
  head -n 1)" || true
[ -n "$window" ] || fail "the launched program showed no window"
launched="$(DISPLAY="$display" xdotool getwindowpid "$window")"
[ "$(readlink "/proc/$launched/exe")" = "$root/usr/bin/velmora-html2pdf" ] ||
  fail "the window is not the installed command's: $(readlink "/proc/$launched/exe")"
mapfile -d '' launched_args <"/proc/$launched/cmdline"
[ "${launched_args[*]:1}" = "--queue $queued" ] || fail "the entry started: ${launched_args[*]}"
kill -TERM "$launched"
timeout 30 tail --pid="$launched" -f /dev/null || fail "the launched window did not close on SIGTERM"
echo "desktop entry: launched $root/usr/bin/velmora-html2pdf --queue '$queued', window $window"

echo "PASS"
