#!/usr/bin/env bash
# Drives the real program under Xvfb with the real converter and saves the screenshots in
# docs/screenshots: idle, the Add URLs dialog, a run in progress, a finished run with one failed row
# (its tooltip showing why), the About box, Help › Components and licences, the combined file's name
# box, and, over the benchmark corpus when it is there, a parallel run with its progress text and the
# status bar after it, then the Modern engine chosen in the Convert menu and the same chapters
# converted with it; last the page setup dialog (on its first tab and on Header and footer) and a PDF
# page with its header and footer. Needs a build in ./build (tools/build.sh).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
program="${BUILD_DIR:-$root/build}/HTML2PDFConverter"
shots="$root/docs/screenshots"
"$root/tools/install-deps.sh"
command -v openbox >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -qq openbox >/dev/null

work="$(mktemp -d)"
port=8765
display=:97
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# Sample documents: a page with its own style sheet and image, a text file and an XML file.
mkdir -p "$work/files" "$work/site" "$work/out" "$work/config/Velmora"
# The program runs in the scratch folder, so even a relative target folder could never land in the
# repository; the folder is set explicitly in the settings, absolute, and checked after each run.
cd "$work"
cat >"$work/files/report.html" <<'EOF'
<html><head><link rel="stylesheet" href="style.css"><title>Quarterly report</title></head>
<body><h1>Quarterly report</h1><p>Sales rose in every region this quarter.</p><img src="chart.png"></body></html>
EOF
echo 'h1 { color: #1f4e9a; font-family: sans-serif }' >"$work/files/style.css"
convert -size 200x100 gradient:orange-red "$work/files/chart.png"
printf 'Meeting notes\n\n- Ship version 2.0\n- Update the web site\n' >"$work/files/notes.txt"
printf '<?xml version="1.0"?>\n<catalog><book id="1"><title>Qt in practice</title></book></catalog>\n' \
  >"$work/files/catalog.xml"
printf '[General]\nTargetFolder=%s\ncompleteaction=Show message\n' "$work/out" \
  >"$work/config/Velmora/Velmora Free HTML to PDF Converter.ini"

# A local web server on 127.0.0.1 whose /slow page takes a few seconds, so a run can be caught mid-way.
cat >"$work/server.py" <<'EOF'
import http.server, sys, time
class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        if self.path.startswith("/slow"):
            time.sleep(4)
        body = b"<html><body><h1>Served page %s</h1><p>Hello from the local server.</p></body></html>" % self.path.encode()
        self.send_response(200)
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)
    def log_message(self, *args):
        pass
http.server.ThreadingHTTPServer(("127.0.0.1", int(sys.argv[1])), Handler).serve_forever()
EOF
python3 "$work/server.py" "$port" &
pids+=($!)

Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY="$display"
sleep 1
openbox >/dev/null 2>&1 &
pids+=($!)
sleep 1

# start_program CONFIG_HOME: starts the program and sets $wid to its main window.
start_program() {
  XDG_CONFIG_HOME="$1" "$program" >/dev/null 2>&1 &
  pids+=($!)
  wid=""
  for _ in $(seq 50); do
    wid="$(xdotool search --onlyvisible --name '^Velmora Free HTML to PDF Converter$' 2>/dev/null | head -1 || true)"
    [ -n "$wid" ] && break
    sleep 0.2
  done
  [ -n "$wid" ] || { echo "the main window did not appear" >&2; exit 1; }
}
# check_output FOLDER: the PDFs went there and nowhere else.
check_output() {
  ls "$1"/*.pdf >/dev/null 2>&1 || { echo "no PDF in $1" >&2; exit 1; }
  for stray in "$root/ " "$work/ "; do
    [ ! -e "$stray" ] || { echo "a folder named ' ' appeared: $stray" >&2; exit 1; }
  done
}
start_program "$work/config"

# Positions inside the window, below the menu bar.
click() {
  xdotool mousemove --window "$wid" "$1" "$2"
  sleep 0.3
  xdotool click 1
  sleep "${3:-0.6}"
}
# The main window with its frame; a tooltip may reach past it, so that one keeps the whole screen.
shot() {
  if [ "${2:-}" = whole ]; then
    import -window root "$shots/$1.png"
  else
    import -window root -crop 745x635+140+58 +repage "$shots/$1.png"
  fi
}
mkdir -p "$shots"
xdotool windowactivate --sync "$wid"
sleep 0.5
shot main-idle

click 51 56 1 # Add URL
click 365 293 0.3 # into the memo
xdotool key ctrl+a BackSpace
for line in "http://127.0.0.1:$port/index.html" "  http://127.0.0.1:$port/slow/page.html  " \
  "http://127.0.0.1:$port/index.html" "http://nonexistent.invalid/missing-page.html" "not a web address"; do
  xdotool type --delay 2 "$line"
  xdotool key Return
done
sleep 0.3
shot add-urls-dialog
xdotool key Tab space # focus moves from the memo to OK
sleep 0.6

click 195 56 1.2 # Add Files
xdotool type --delay 2 "$work/files/"
xdotool key Return
sleep 0.5
xdotool type --delay 2 '"report.html" "notes.txt" "catalog.xml"'
xdotool key Return
sleep 0.8
xdotool mousemove --window "$wid" 400 400
sleep 0.3
shot main-queue

click 648 542 2 # Convert Now; the slow page keeps the run going
shot main-running
sleep 8
shot main-run-finished-message
xdotool key Return # closes the message
sleep 0.5
xdotool mousemove --window "$wid" 300 161
sleep 0.3
xdotool mousemove --window "$wid" 302 162
sleep 2
shot main-failed-row-tooltip whole

click 557 56 1 # About
shot about-box
xdotool key Return
sleep 0.5

# Help › Components and licences.
xdotool key alt+h
sleep 0.5
xdotool key c
sleep 1
shot components-dialog
xdotool key Escape
sleep 0.5
# The combined file's name box with a long name; cancelled, so combining stays off.
xdotool key alt+c
sleep 0.5
xdotool key b
sleep 1
xdotool key ctrl+a
xdotool type --delay 2 "Installation - The Rust Programming Language.pdf"
sleep 0.4
shot combine-name-dialog
xdotool key Escape
sleep 0.5

pdftotext "$work/out/report-html.pdf" - | head -2
check_output "$work/out"
ls "$work/out"

# A parallel run over the benchmark corpus's chapters, when the corpus is beside the repository.
corpus="$root/../shared/corpus/book"
if [ -d "$corpus" ]; then
  xdotool key alt+F4
  sleep 1
  mkdir -p "$work/config2/Velmora" "$work/out2"
  printf '[General]\nTargetFolder=%s\ncompleteaction=Do nothing\nConversionsAtOnce=Automatic\n' "$work/out2" \
    >"$work/config2/Velmora/Velmora Free HTML to PDF Converter.ini"
  start_program "$work/config2"
  xdotool windowactivate --sync "$wid"
  sleep 0.5
  click 195 56 1.2 # Add Files
  xdotool type --delay 2 "$(cd "$corpus" && pwd)/"
  xdotool key Return
  sleep 0.5
  xdotool type --delay 1 "$(cd "$corpus" && ls ch*.html | sed 's/.*/"&"/' | tr '\n' ' ')"
  xdotool key Return
  sleep 0.8
  xdotool mousemove --window "$wid" 400 400
  click 648 542 0.2 # Convert Now
  # Caught once a few rows are done, when the bar shows the time left.
  for _ in $(seq 100); do
    [ "$(ls "$work/out2"/*.pdf 2>/dev/null | wc -l)" -ge 4 ] && break
    sleep 0.2
  done
  shot main-parallel-run
  for _ in $(seq 600); do
    [ "$(ls "$work/out2"/*.pdf 2>/dev/null | wc -l)" -ge 15 ] && break
    sleep 0.2
  done
  sleep 1.5
  shot main-run-summary
  check_output "$work/out2"

  # The same chapters again with the Modern engine, chosen in the Convert menu like a user would. The
  # new PDFs replace the Classic ones, so the words pdftotext finds in the ownership chapter are counted
  # before and after.
  chapters="$(ls "$work/out2"/*.pdf | wc -l)"
  ownership="$(ls "$work/out2"/ch04-01-what-is-ownership*.pdf)"
  classic_words="$(pdftotext "$ownership" - | wc -w)"
  xdotool key alt+c
  sleep 0.5
  xdotool mousemove 370 222 # Rendering engine
  sleep 0.8
  xdotool mousemove 540 222
  xdotool mousemove 590 246 # Modern (Chromium)
  sleep 0.5
  import -window root -crop 745x635+140+58 +repage "$shots/engine-menu.png"
  xdotool click 1
  sleep 0.5
  touch "$work/modern-run"
  click 648 542 0.2 # Convert Now
  for _ in $(seq 600); do
    [ "$(find "$work/out2" -name '*.pdf' -newer "$work/modern-run" | wc -l)" -ge "$chapters" ] && break
    sleep 0.2
  done
  sleep 1.5
  shot main-modern-run-summary
  [ "$(find "$work/out2" -name '*.pdf' -newer "$work/modern-run" | wc -l)" -eq "$chapters" ] ||
    { echo "the Modern run did not convert every chapter" >&2; exit 1; }
  grep -q '^RenderingEngine=Modern' "$work/config2/Velmora/Velmora Free HTML to PDF Converter.ini" ||
    { echo "the engine choice was not stored" >&2; exit 1; }
  echo "words in $(basename "$ownership"): Classic $classic_words, Modern $(pdftotext "$ownership" - | wc -w)"
else
  echo "no benchmark corpus at $corpus: the parallel-run pictures are left as they were"
fi

# Page setup: the dialog over a stored setup with a header and page numbers, opened from the Convert
# menu, and the first page of a PDF the command line made with the same header and footer.
xdotool key alt+F4
sleep 1
mkdir -p "$work/config3/Velmora" "$work/out3"
printf '[General]\nTargetFolder=%s\nPagePaper=A4\nPageMargins=15mm 15mm 15mm 15mm\nPageHeader={title}||{date}\nPageFooter={url}||Page {page} of {pages}\n' \
  "$work/out3" >"$work/config3/Velmora/Velmora Free HTML to PDF Converter.ini"
start_program "$work/config3"
xdotool windowactivate --sync "$wid"
sleep 0.5
xdotool key alt+c
sleep 0.5
xdotool key s # Page setup...
dialog=""
for _ in $(seq 50); do
  dialog="$(xdotool search --onlyvisible --name '^Page Setup$' 2>/dev/null | head -1 || true)"
  [ -n "$dialog" ] && break
  sleep 0.2
done
[ -n "$dialog" ] || { echo "the page setup dialog did not appear" >&2; exit 1; }
sleep 0.5
import -window "$dialog" "$shots/page-setup-dialog.png"
xdotool key alt+h # the Header and footer tab
sleep 0.6
import -window "$dialog" "$shots/page-setup-header-footer.png"
xdotool key Escape
sleep 0.5
XDG_CONFIG_HOME="$work/config3" "$program" --output "$work/out3" "$work/files/report.html" >/dev/null
pdftoppm -png -r 60 -f 1 -l 1 -singlefile "$work/out3/report-html.pdf" "$shots/page-setup-pdf"
pdftotext "$work/out3/report-html.pdf" - | grep -q 'Page 1 of 1' ||
  { echo "the PDF has no page number" >&2; exit 1; }
check_output "$work/out3"

# Sign-in and cookies: the dialog over a stored cookies file, header and user name, opened from the
# Convert menu (its password is not stored, so the box stays empty).
xdotool key alt+F4
sleep 1
mkdir -p "$work/config4/Velmora"
printf '# Netscape HTTP Cookie File\n.harbour.test\tTRUE\t/\tTRUE\t0\tsession\topensesame\nwiki.harbour.test\tFALSE\t/\tFALSE\t0\tlang\ten\n' \
  >"$work/cookies.txt"
printf '[General]\nTargetFolder=%s\nSignInCookiesFile=%s\nSignInHeaders=X-Club: members\nSignInUser=skipper\n' \
  "$work/out3" "$work/cookies.txt" >"$work/config4/Velmora/Velmora Free HTML to PDF Converter.ini"
start_program "$work/config4"
xdotool windowactivate --sync "$wid"
sleep 0.5
xdotool key alt+c
sleep 0.5
xdotool key i # Sign-in and cookies...
dialog=""
for _ in $(seq 50); do
  dialog="$(xdotool search --onlyvisible --name '^Sign-in and Cookies$' 2>/dev/null | head -1 || true)"
  [ -n "$dialog" ] && break
  sleep 0.2
done
[ -n "$dialog" ] || { echo "the sign-in dialog did not appear" >&2; exit 1; }
sleep 0.5
import -window "$dialog" "$shots/sign-in-dialog.png"
xdotool key Escape
