#!/usr/bin/env bash
# Proves the Windows build on Linux: cross-builds Qt when its cache is missing (about an hour the
# first time), the program, its tests and the fakes with MinGW-w64; runs every test program under Wine
# in a Wine prefix of its own; then builds the installer and, under Wine in a fresh prefix, installs
# the earlier release silently, starts the program and closes it (which saves its settings to the
# registry), upgrades it with this installer, checks the Start menu, Apps & features and PATH, runs
# the console program with its output piped, finds Microsoft Edge (the fake browser in Edge's place
# and in the App Paths registry entries) in the search order, and uninstalls it. Ends with
# "N passed, N failed" over all test functions and checks; exits non-zero on failure.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"

packages=(wine wine64 fonts-wine fonts-dejavu-core nsis xvfb xauth poppler-utils qpdf openssl)
bash "$(dirname "$0")/../install-packages.sh" "${packages[@]}"

build="$(bash "$here/build.sh" | tail -n1)"
qt="$(bash "$here/build-qt.sh" | tail -n1)"
qpdf="$(bash "$here/build-qpdf.sh" | tail -n1)"
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

# The tests' prefix has Qt, qpdf and the MinGW runtime in its system folder, so the fake converter
# finds them from any folder and whatever PATH a test gives it.
new_prefix "$work/test-prefix"
cp "$qt"/bin/*.dll "$qpdf"/bin/*.dll "$(runtime_dll libstdc++-6.dll)" "$(runtime_dll libgcc_s_seh-1.dll)" \
  "$(runtime_dll libwinpthread-1.dll)" "$WINEPREFIX/drive_c/windows/system32/"
# The tests read PDFs back with poppler's tools and qpdf, whose stand-ins run the Linux ones.
tools="$work/poppler"
mkdir -p "$tools"
x86_64-w64-mingw32-gcc-posix -O2 -Wall -Wextra -municode "$here/linux-tool-for-wine/stand-in.c" \
  -o "$tools/stand-in.exe"
for tool in pdftotext pdfinfo pdfimages pdffonts pdftoppm qpdf; do
  cp "$tools/stand-in.exe" "$tools/$tool.exe"
done
cp "$here/linux-tool-for-wine/run-linux-tool.sh" "$tools/run-linux-tool.exe"
# Wine hands no QT_* variable of the Linux side to Windows programs (they would confuse a Windows
# Qt); a WINE prefix on the name passes it on without the prefix.
WINEQT_PLUGIN_PATH="$(windows_path "$qt/plugins")"
export WINEQT_PLUGIN_PATH
export WINEQT_QPA_PLATFORM=offscreen
# The offscreen platform reads fonts from a folder of its own. Windows' own are outline fonts: Wine's
# Tahoma and DejaVu stand in for them. Wine's other fonts are bitmap fonts in TrueType files, with
# no outlines and an em of zero, of which Qt writes PDF font descriptors that are not valid PDF.
fonts="$work/fonts"
mkdir -p "$fonts"
cp /usr/share/wine/fonts/tahoma*.ttf /usr/share/fonts/truetype/dejavu/DejaVuSans{,-Bold,Mono}.ttf "$fonts/"
WINEQT_QPA_FONTDIR="$(windows_path "$fonts")"
export WINEQT_QPA_FONTDIR
VELMORA_FAKE_CONVERTER="$(windows_path "$build/windows/tests/fakeconverter/fakeconverter.exe")"
VELMORA_FAKE_BROWSER="$(windows_path "$build/windows/tests/fakebrowser/fakebrowser.exe")"
export VELMORA_FAKE_CONVERTER VELMORA_FAKE_BROWSER

passed=0
failed=0
skipped=0
failed_programs=()
started=$(date +%s)
while IFS= read -r exe; do
  name="$(basename "$exe" .exe)"
  out="$results/$name.txt"
  # Test output goes to a file: Wine's console output is not reliable.
  (cd "$(dirname "$exe")" && WINEPATH="$(windows_path "$tools")" timeout 900 wine "$exe" \
    -o "$(windows_path "$out"),txt") >"$results/$name.log" 2>&1 || true
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
# The earlier release's installer, for the upgrade: the one before the Start-menu entry moved and
# the command-line program came. Not there in a shallow clone; then the upgrade is over this one.
earlier_installer=769ec76
earlier_setup="$build/Velmora-HTML2PDF-Setup-earlier.exe"
if git -C "$root" cat-file -e "$earlier_installer:tools/windows/installer.nsi" 2>/dev/null; then
  git -C "$root" show "$earlier_installer:tools/windows/installer.nsi" >"$work/installer-earlier.nsi"
  makensis -V2 -DDIST="$build/dist" -DOUTFILE="$earlier_setup" "$work/installer-earlier.nsi"
else
  echo "installer: the earlier installer is not in this clone's history; upgrading over this one"
  earlier_setup="$setup"
fi
# A fresh prefix: the installed program must bring everything it needs.
unset WINEQT_PLUGIN_PATH WINEQT_QPA_PLATFORM WINEQT_QPA_FONTDIR
new_prefix "$work/install-prefix"
wine "$earlier_setup" /S
wineserver -w
program_dir="$WINEPREFIX/drive_c/Program Files/Velmora HTML2PDF"
program_win='C:\Program Files\Velmora HTML2PDF'
start_menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs"
check "earlier release installed" test -f "$program_dir/HTML2PDFConverter.exe"

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
  DISPLAY="$display" WINEDEBUG=err+all wine "$program_win\\HTML2PDFConverter.exe" \
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

# The upgrade, with the offer to put the folder on PATH taken, over a converter the user placed in bin.
user_converter="$program_dir/bin/wkhtmltopdf.exe"
cp "$build/windows/tests/fakeconverter/fakeconverter.exe" "$user_converter"
wine "$setup" /S /ADDTOPATH
wineserver -w
check "upgrade: the window program, the console program and Qt installed" test -f "$program_dir/HTML2PDFConverter.exe" \
  -a -f "$program_dir/velmora-html2pdf.exe" -a -f "$program_dir/Qt6Widgets.dll" -a -f "$program_dir/platforms/qwindows.dll"
check "Qt's and qpdf's licences beside the program" test -s "$program_dir/licences/LGPL-3.txt" \
  -a -s "$program_dir/licences/Qt-copyright.txt" -a -s "$program_dir/licences/Apache-2.0.txt" \
  -a -s "$program_dir/licences/qpdf-copyright.txt"
check "upgrade: the user's converter in bin stays" cmp -s "$user_converter" "$build/windows/tests/fakeconverter/fakeconverter.exe"
wine reg query "$settings_key" >"$results/registry-upgraded.txt" 2>&1 || true
check "upgrade: the user's settings stay" cmp -s "$results/registry.txt" "$results/registry-upgraded.txt"
shortcut="$start_menu/Velmora Free HTML to PDF Converter.lnk"
check "Start-menu entry for the program" test -f "$shortcut"
# The shortcut keeps its target as 8-bit text and its icon location as UTF-16 text (a shortcut
# without an icon of its own has no UTF-16 copy of the full path).
shortcut_names_program() { strings -a "$shortcut" | grep -qiF "$program_win\\HTML2PDFConverter.exe"; }
icon_from_program() { strings -a -el "$shortcut" | grep -qiF "$program_win\\HTML2PDFConverter.exe"; }
check "Start-menu entry names the program" shortcut_names_program
check "Start-menu entry with the program's icon" icon_from_program
check "the earlier release's Start-menu folder is gone" test ! -e "$start_menu/Velmora Free HTML to PDF Converter"
# The icon resource: a 256-pixel, 32-bit image is over 256 KiB.
rsrc_size() { echo $((16#$(x86_64-w64-mingw32-objdump -h "$1" | awk '$2 == ".rsrc" { print $3 }'))); }
check "the program's icon in both executables" test "$(rsrc_size "$program_dir/HTML2PDFConverter.exe")" -gt 262144 \
  -a "$(rsrc_size "$program_dir/velmora-html2pdf.exe")" -gt 262144
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Velmora HTML2PDF'
wine reg query "$uninstall_key" 2>&1 | tr -d '\r' >"$results/uninstall-entry.txt" || true
echo "installer: wine reg query \"$uninstall_key\":"
sed '/^$/d; s/^/    /' "$results/uninstall-entry.txt"
apps_entry() { grep -qE "^ +$1 +$2\$" "$results/uninstall-entry.txt"; }
check "Apps & features: name" apps_entry DisplayName 'REG_SZ +Velmora Free HTML to PDF Converter'
check "Apps & features: publisher" apps_entry Publisher 'REG_SZ +Velmora'
check "Apps & features: icon" apps_entry DisplayIcon 'REG_SZ +C:\\Program Files\\Velmora HTML2PDF\\HTML2PDFConverter.exe,0'
check "Apps & features: size" apps_entry EstimatedSize 'REG_DWORD +0x[0-9a-f]*[1-9a-f][0-9a-f]*'
check "Apps & features: no Modify" apps_entry NoModify 'REG_DWORD +0x1'
check "Apps & features: no Repair" apps_entry NoRepair 'REG_DWORD +0x1'
check "Apps & features: uninstaller" apps_entry UninstallString 'REG_SZ +"C:\\Program Files\\Velmora HTML2PDF\\Uninstall.exe"'
user_path() { wine reg query 'HKCU\Environment' /v Path 2>/dev/null | tr -d '\r' | sed -nE 's/^ +Path +REG_(EXPAND_)?SZ +//p'; }
check "the program's folder on the user's PATH" grep -qxF "$program_win" <(user_path | tr ';' '\n')

# The console program, its output piped as a script would (the window program's output would reach
# nobody on Windows). The fakes find Qt in the program's folder through PATH.
export WINEPATH="$program_win"
pages="$work/pages"
mkdir -p "$pages"
for page in a b; do echo "<html><body><p>$page</p></body></html>" >"$pages/$page.html"; done
out="$work/out"
cli() { # exit status, standard output in $cli_out, standard error in $cli_err
  (cd "$pages" && wine "$program_win\\velmora-html2pdf.exe" "$@" <"${cli_input:-/dev/null}" \
    >"$work/cli.out" 2>"$work/cli.err")
  local status=$?
  cli_out="$(tr -d '\r' <"$work/cli.out")"
  cli_err="$(tr -d '\r' <"$work/cli.err")"
  return $status
}
cli_status() { # expected status, arguments...
  local expected="$1"
  shift
  local status=0
  cli "$@" || status=$?
  [ "$status" -eq "$expected" ] || { echo "    exit status $status, not $expected; stderr: $cli_err"; return 1; }
}
help_prints() { cli_status 0 --help && grep -q -- '--engine classic|modern' <<<"$cli_out"; }
check "console program: --help prints" help_prints
line_for() { grep -xE "$1" <<<"$cli_out" >/dev/null || { echo "    no line like '$1' in: $cli_out"; return 1; }; }
out_win="$(windows_path "$out")"
run_prints() {
  cli_status 0 --output "$out_win" a.html && line_for 'converted	.*\\a\.html	.*\\a-html\.pdf' &&
    test -s "$out/a-html.pdf"
}
check "console program: a run prints its tab-separated line, exit status 0" run_prints
failed_row() {
  cli_status 1 --output "$out_win" a.html missing.html &&
    line_for 'failed	missing\.html	No such file: .*\\missing\.html'
}
check "console program: a failed row, exit status 1" failed_row
usage_error() { cli_status 2 --bogus a.html && test -z "$cli_out" && grep -q bogus <<<"$cli_err"; }
check "console program: a usage error, exit status 2" usage_error
printf 'a.html\nb.html\n' >"$work/list.txt"
list_from_stdin() {
  rm -rf "$out"
  cli_input="$work/list.txt" cli_status 0 --output "$out_win" --list - &&
    test "$(grep -c '^converted	' <<<"$cli_out")" -eq 2 && test -s "$out/a-html.pdf" -a -s "$out/b-html.pdf"
}
check "console program: --list - reads standard input" list_from_stdin
# Headers and footers are drawn by Qt off the event loop's thread and laid over the page by qpdf, in
# a document whose name is not ASCII; the offscreen platform reads the fonts in Windows' own folder,
# where Windows keeps them and a fresh Wine prefix has none: the stand-ins above.
cp "$fonts"/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
page_named=$'R\u00e9sum\u00e9 \u5831\u544a'
cp "$pages/a.html" "$pages/$page_named.html"
stamped() {
  rm -rf "$out"
  cli_status 0 --output "$out_win" --header "{title}||" --footer "||Page {page} of {pages}" \
    "$page_named.html" || return 1
  local pdf="$out/$page_named-html.pdf"
  [ -s "$pdf" ] || { echo "    no $pdf; output: $cli_out"; ls "$out"; return 1; }
  local text
  text="$(pdftotext "$pdf" - | tr -s ' \n' ' ')"
  grep -qF "Page 1 of 1" <<<"$text" || { echo "    no footer in: $text"; return 1; }
}
check "console program: header and footer stamped, in a PDF whose name is not ASCII" stamped
# An https address whose certificate nothing vouches for fails before the Classic converter runs,
# with the reason the Linux build gives, through Windows' own TLS (Schannel).
openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 \
  -keyout "$work/key.pem" -out "$work/cert.pem" >/dev/null 2>&1
tls_port=$((20000 + RANDOM % 20000))
openssl s_server -quiet -accept "127.0.0.1:$tls_port" -cert "$work/cert.pem" -key "$work/key.pem" -www \
  >"$work/tls.log" 2>&1 &
tls_server=$!
untrusted_fails() {
  local url="https://127.0.0.1:$tls_port/page.html"
  cli_status 1 --engine classic --output "$out_win" "$url" &&
    line_for "failed	https://127\.0\.0\.1:$tls_port/page\.html	The site's secure connection could not be trusted\."
}
check "console program: an untrusted certificate fails the row (Classic)" untrusted_fails
kill "$tls_server" 2>/dev/null || true

# Microsoft Edge for the Modern engine, where its installer puts it and where the registry says, in
# the search order. The user's converter is moved away: a first start without it and with a browser
# converts with the Modern engine unasked.
mv "$user_converter" "$work/converter-aside.exe"
export VELMORA_FAKE_BROWSER_LOG
VELMORA_FAKE_BROWSER_LOG="$(windows_path "$work/browser.log")"
fake_browser="$build/windows/tests/fakebrowser/fakebrowser.exe"
drive_c="$WINEPREFIX/drive_c"
edge="$drive_c/Program Files (x86)/Microsoft/Edge/Application/msedge.exe"
chrome="$drive_c/Program Files/Google/Chrome/Application/chrome.exe"
bundled="$program_dir/bin/chrome.exe"
app_paths='Software\Microsoft\Windows\CurrentVersion\App Paths'
no_browser_message() {
  cli_status 2 --engine modern --output "$out_win" a.html || return 1
  local place
  for place in 'C:\Program Files\Velmora HTML2PDF\bin\chrome.exe' \
    'C:\Program Files\Google\Chrome\Application\chrome.exe' \
    'C:\Program Files (x86)\Google\Chrome\Application\chrome.exe' \
    'C:\Program Files\Chromium\Application\chrome.exe' \
    'C:\Program Files (x86)\Microsoft\Edge\Application\msedge.exe' \
    'C:\Program Files\Microsoft\Edge\Application\msedge.exe' \
    "HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\chrome.exe" \
    "HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\msedge.exe" \
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\chrome.exe" \
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\msedge.exe"; do
    grep -qiF "$place" <<<"$cli_err" || { echo "    not named: $place; stderr: $cli_err"; return 1; }
  done
}
check "no browser: the message names every place searched" no_browser_message
place_browser() { mkdir -p "$(dirname "$1")" && cp "$fake_browser" "$1"; }
# Converts with the Modern engine unasked; $1: the browser expected to have done it.
converts_with() {
  rm -f "$work/browser.log"
  cli_status 0 --output "$out_win" a.html && line_for "converted	.*a\.html	.*a-html\.pdf" || return 1
  local used
  used="$(sed -n 's/^program //p' "$work/browser.log" | tr -d '\r' | tail -n1)"
  [ "${used,,}" = "${1,,}" ] || { echo "    started: '$used', not '$1'"; return 1; }
}
# Nothing stored to begin with; the user's stored choice is put back afterwards.
edge_win='C:\Program Files (x86)\Microsoft\Edge\Application\msedge.exe'
stored_engine_before="$({ wine reg query "$settings_key" /v RenderingEngine 2>/dev/null || true; } |
  tr -d '\r' | sed -nE 's/^ +RenderingEngine +REG_SZ +//p')"
store_engine() { # Classic, Modern, or nothing
  if [ -n "$1" ]; then
    wine reg add "$settings_key" /v RenderingEngine /t REG_SZ /d "$1" /f >/dev/null 2>&1 || true
  else
    wine reg delete "$settings_key" /v RenderingEngine /f >/dev/null 2>&1 || true
  fi
}
store_engine ""
place_browser "$edge"
check "Edge in its install folder converts (no converter, nothing stored)" \
  converts_with "$edge_win"
# The other combinations of converter, browser and stored choice.
converts_classic() { # converted, and no browser started
  rm -f "$work/browser.log"
  cli_status 0 --output "$out_win" a.html && line_for "converted	.*a\.html	.*a-html\.pdf" || return 1
  [ ! -e "$work/browser.log" ] || { echo "    a browser was started: $(cat "$work/browser.log")"; return 1; }
}
stored_classic_refused() { # the user's choice stands: a usage error that names the missing converter
  cli_status 2 --output "$out_win" a.html && grep -qi "wkhtmltopdf" <<<"$cli_err" ||
    { echo "    stderr: $cli_err"; return 1; }
}
store_engine Classic
check "Edge, no converter, Classic stored: the stored choice stands, a usage error" stored_classic_refused
store_engine Modern
check "Edge, no converter, Modern stored: Modern" converts_with "$edge_win"
cp "$work/converter-aside.exe" "$user_converter"
check "Edge and the converter, Modern stored: Modern" converts_with "$edge_win"
store_engine ""
check "Edge and the converter, nothing stored: Classic" converts_classic
rm -f "$user_converter"
place_browser "$drive_c/appaths/user/msedge.exe"
place_browser "$drive_c/appaths/machine/chrome.exe"
wine reg add "HKCU\\$app_paths\\msedge.exe" /ve /d 'C:\appaths\user\msedge.exe' /f >/dev/null 2>&1 || true
wine reg add "HKLM\\$app_paths\\chrome.exe" /ve /d '"C:\appaths\machine\chrome.exe"' /f >/dev/null 2>&1 || true
check "Edge's folder before the App Paths entries" converts_with 'C:\Program Files (x86)\Microsoft\Edge\Application\msedge.exe'
place_browser "$chrome"
check "Chrome's folder before Edge's" converts_with 'C:\Program Files\Google\Chrome\Application\chrome.exe'
place_browser "$bundled"
check "bin\\chrome.exe beside the program first" converts_with 'C:\Program Files\Velmora HTML2PDF\bin\chrome.exe'
rm -f "$bundled" "$chrome" "$edge"
check "the user's App Paths entry before the machine's" converts_with 'C:\appaths\user\msedge.exe'
wine reg delete "HKCU\\$app_paths\\msedge.exe" /f >/dev/null 2>&1 || true
check "the machine's App Paths entry (quoted)" converts_with 'C:\appaths\machine\chrome.exe'
wine reg delete "HKLM\\$app_paths\\chrome.exe" /f >/dev/null 2>&1 || true
store_engine "$stored_engine_before"
mv "$work/converter-aside.exe" "$user_converter"
unset WINEPATH VELMORA_FAKE_BROWSER_LOG

# Uninstall: what the installer put there goes, the user's converter and settings stay.
wine "$program_win\\Uninstall.exe" /S
wineserver -w
installed_left() { # every file the installer laid out, except bin's, must be gone
  local left
  left="$(cd "$build/dist" && find . -type f | while IFS= read -r f; do [ -e "$program_dir/$f" ] && echo "$f"; done)"
  [ -z "$left" ] || { echo "    left behind: $left"; return 1; }
  [ ! -e "$program_dir/Uninstall.exe" ]
}
check "uninstaller removed every file it installed" installed_left
check "uninstaller left the user's converter" test -f "$user_converter"
rm -f "$user_converter"
check "uninstaller left nothing else in the program's folder" rmdir "$program_dir/bin" "$program_dir"
check "uninstaller removed the Start-menu entry" test ! -e "$shortcut"
no_apps_entry() { ! wine reg query "$uninstall_key" >/dev/null 2>&1; }
check "uninstaller removed the Apps & features entry" no_apps_entry
off_path() { ! user_path | tr ';' '\n' | grep -qxiF "$program_win"; }
check "uninstaller took the folder off the user's PATH" off_path
wine reg query "$settings_key" >"$results/registry-uninstalled.txt" 2>&1 || true
check "uninstaller left the user's settings" cmp -s "$results/registry.txt" "$results/registry-uninstalled.txt"

failed=$((failed + ${#installer_failures[@]}))
passed=$((passed + installer_passed))
[ ${#failed_programs[@]} -eq 0 ] || echo "Failed test programs: ${failed_programs[*]}"
[ ${#installer_failures[@]} -eq 0 ] || echo "Failed installer checks: ${installer_failures[*]}"
echo "Windows: $passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ]
