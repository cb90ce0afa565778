#!/usr/bin/env bash
# Proves the Windows build on Linux: cross-builds Qt when its cache is missing (about an hour the
# first time), the program, its tests and the fake converter with MinGW-w64; runs every test program
# under Wine in a Wine prefix of its own; then builds the installer and, under Wine, installs the
# program silently, starts it and closes it (which saves its settings to the registry), and
# uninstalls it. Ends with "N passed, N failed" over all test functions; exits non-zero on failure.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"

packages=(wine wine64 fonts-wine nsis xvfb xauth)
bash "$(dirname "$0")/../install-packages.sh" "${packages[@]}"

build="$(bash "$here/build.sh" | tail -n1)"
qt="$(bash "$here/build-qt.sh" | tail -n1)"
results="$build/wine-results"
rm -rf "$results"
mkdir -p "$results"

work="$(mktemp -d /tmp/velmora-wine.XXXXXX)"
cleanup() {
  wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
# No Mono, no Gecko, and no menu entries written into this machine's desktop menus.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
new_prefix() {
  export WINEPREFIX="$1"
  wine wineboot --init >/dev/null 2>&1
  wineserver -w
}
windows_path() { winepath -w "$1" 2>/dev/null; }
runtime_dll() { x86_64-w64-mingw32-g++-posix -print-file-name="$1"; }

# The tests' prefix has Qt and the MinGW runtime in its system folder, so the fake converter finds
# them from any folder and whatever PATH a test gives it.
new_prefix "$work/test-prefix"
cp "$qt"/bin/*.dll "$(runtime_dll libstdc++-6.dll)" "$(runtime_dll libgcc_s_seh-1.dll)" \
  "$(runtime_dll libwinpthread-1.dll)" "$WINEPREFIX/drive_c/windows/system32/"
# Wine hands no QT_* variable of the Linux side to Windows programs (they would confuse a Windows
# Qt); a WINE prefix on the name passes it on without the prefix.
WINEQT_PLUGIN_PATH="$(windows_path "$qt/plugins")"
export WINEQT_PLUGIN_PATH
export WINEQT_QPA_PLATFORM=offscreen
# The offscreen platform reads fonts from a folder of its own; Wine's own fonts stand in for
# Windows' (Tahoma among them).
WINEQT_QPA_FONTDIR="$(windows_path /usr/share/wine/fonts)"
export WINEQT_QPA_FONTDIR
VELMORA_FAKE_CONVERTER="$(windows_path "$build/windows/tests/fakeconverter/fakeconverter.exe")"
export VELMORA_FAKE_CONVERTER

passed=0
failed=0
skipped=0
failed_programs=()
started=$(date +%s)
while IFS= read -r exe; do
  name="$(basename "$exe" .exe)"
  out="$results/$name.txt"
  # Test output goes to a file: Wine's console output is not reliable.
  (cd "$(dirname "$exe")" && timeout 900 wine "$exe" -o "$(windows_path "$out"),txt") \
    >"$results/$name.log" 2>&1 || true
  totals="$(grep -a '^Totals:' "$out" 2>/dev/null || true)"
  if [ -z "$totals" ]; then
    echo "$name: no result (see $results/$name.log)"
    failed=$((failed + 1))
    failed_programs+=("$name")
    continue
  fi
  read -r p f s <<<"$(sed -E 's/^Totals: ([0-9]+) passed, ([0-9]+) failed, ([0-9]+) skipped.*/\1 \2 \3/' <<<"$totals")"
  passed=$((passed + p))
  failed=$((failed + f))
  skipped=$((skipped + s))
  [ "$f" -eq 0 ] || failed_programs+=("$name")
  echo "$name: $totals"
  # A failure with its place, a skip with its reason.
  grep -a -E '^FAIL!' -A1 "$out" | sed 's/^/    /' || true
  grep -a -E '^SKIP' "$out" | sed 's/^/    /' || true
done < <(find "$build/windows/tests" \( -name 'test_*.exe' -o -name '*_tests.exe' \) | sort)
echo "Tests under Wine took $(($(date +%s) - started)) s; results in $results"

# The installer, under Wine: install silently, start the installed program, close it, uninstall.
installer_failures=()
installer_passed=0
check() { # description, command...
  local what="$1"
  shift
  if "$@"; then
    echo "installer: $what: ok"
    installer_passed=$((installer_passed + 1))
  else
    echo "installer: $what: FAILED"
    installer_failures+=("$what")
  fi
}
setup="$build/Velmora-HTML2PDF-Setup.exe"
makensis -V2 -DDIST="$build/dist" -DOUTFILE="$setup" "$here/installer.nsi"
# A fresh prefix: the installed program must bring everything it needs.
unset WINEQT_PLUGIN_PATH WINEQT_QPA_PLATFORM WINEQT_QPA_FONTDIR
new_prefix "$work/install-prefix"
wine "$setup" /S
wineserver -w
program_dir="$WINEPREFIX/drive_c/Program Files/Velmora HTML2PDF"
start_menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Velmora Free HTML to PDF Converter"
check "program installed" test -f "$program_dir/HTML2PDFConverter.exe"
check "Qt and its platform plugin installed" test -f "$program_dir/Qt6Widgets.dll" -a -f "$program_dir/platforms/qwindows.dll"
check "empty bin folder for wkhtmltopdf.exe" test -d "$program_dir/bin"
check "Start-menu entry" test -f "$start_menu/Velmora Free HTML to PDF Converter.lnk"
check "uninstaller installed" test -f "$program_dir/Uninstall.exe"

# The installed program on its own, with Windows' own platform plugin (the offscreen one makes no
# window that Windows could close) on a virtual display, closed the way Windows closes a window
# (WM_CLOSE), which saves its settings.
settings_key='HKCU\SOFTWARE\Velmora Free HTML to PDF Converter'
program_runs() {
  # Xvfb picks a free display and names it once it accepts clients.
  : >"$work/display"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
  local xvfb=$!
  for _ in $(seq 30); do
    [ -s "$work/display" ] && break
    sleep 1
  done
  local display=":$(head -n1 "$work/display")"
  DISPLAY="$display" WINEDEBUG=err+all wine "C:\\Program Files\\Velmora HTML2PDF\\HTML2PDFConverter.exe" \
    >"$results/program.log" 2>&1 &
  local program=$!
  local started=$SECONDS up=1
  for _ in $(seq 60); do
    # Loading the settings creates the key: the main window is being made.
    if kill -0 "$program" 2>/dev/null && wine reg query "$settings_key" >/dev/null 2>&1; then
      up=0
      break
    fi
    sleep 1
  done
  [ "$up" -eq 0 ] && echo "installer: the program was up after $((SECONDS - started)) s"
  # Asked again until it ends: a request that comes before the window exists finds nothing to close.
  local ended=1
  for _ in $(seq 30); do
    DISPLAY="$display" wine taskkill /im HTML2PDFConverter.exe >/dev/null 2>&1 || true
    sleep 2
    if ! kill -0 "$program" 2>/dev/null; then
      ended=0
      break
    fi
  done
  [ "$ended" -eq 0 ] && echo "installer: the program had closed after $((SECONDS - started)) s"
  kill "$program" 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
  [ "$up" -eq 0 ] && [ "$ended" -eq 0 ]
}
check "installed program starts and closes" program_runs
wineserver -k 2>/dev/null || true # whatever did not close must not hold the files
wine reg query "$settings_key" >"$results/registry.txt" 2>&1 || true
echo "installer: wine reg query \"$settings_key\" after the program closed:"
tr -d '\r' <"$results/registry.txt" | sed '/^$/d; s/^/    /'
check "settings saved as REG_SZ" grep -qE 'TargetFolder +REG_SZ +C:\\My PDF' "$results/registry.txt"
check "completion action saved as REG_SZ" grep -qE 'completeaction +REG_SZ +Open target folder' "$results/registry.txt"

wine "C:\\Program Files\\Velmora HTML2PDF\\Uninstall.exe" /S
wineserver -w
check "uninstaller removed the program" test ! -e "$program_dir"
check "uninstaller removed the Start-menu entry" test ! -e "$start_menu"

failed=$((failed + ${#installer_failures[@]}))
passed=$((passed + installer_passed))
[ ${#failed_programs[@]} -eq 0 ] || echo "Failed test programs: ${failed_programs[*]}"
[ ${#installer_failures[@]} -eq 0 ] || echo "Failed installer checks: ${installer_failures[*]}"
echo "Windows: $passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ]
