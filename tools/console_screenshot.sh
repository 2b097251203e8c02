#!/usr/bin/env bash
# Photographs the console of beatplate.exe after a drop with an error, for the README: the
# Windows archive unpacked on drive C: of a Wine prefix of its own, two good charts and a bad one
# given by their full paths as Explorer gives a drop, the program alone in a terminal window of
# its own on a virtual X display, captured while it waits for Enter, then sent Enter. The window
# is an xterm, to which Wine's console passes the text on: Wine's own console window draws
# full-width characters over each other. Installs what it needs (BEATPLATE_SCREENSHOT_TOOLS).
#   tools/console_screenshot.sh [OUTPUT.png]    (docs/console-drop-error.png by default)
set -euo pipefail
cd "$(dirname "$0")/.."
output=$(realpath -m "${1:-docs/console-drop-error.png}")
BEATPLATE_SCREENSHOT_TOOLS=1 ./scripts/setup.sh --windows >&2
archive=$(realpath "$(./scripts/package-windows.sh | tail -n1 | cut -d' ' -f1)")

work=$(mktemp -d)
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
xvfb=""
terminal=""
cleanup() {
  [ -n "$terminal" ] && kill "$terminal" 2>/dev/null
  /usr/lib/wine/wineserver -k 2>/dev/null || true
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# A display of its own.
. scripts/virtual-display.sh
start_virtual_display "$work"
"$wine" wineboot --init >/dev/null 2>&1
/usr/lib/wine/wineserver -w

drive=$WINEPREFIX/drive_c
python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])' \
  "$archive" "$drive"
folder=$(basename "$archive" .zip)
mkdir "$drive/charts"
cp examples/example.txt "$drive/charts/good.txt"
cp tests/data/full.txt "$drive/charts/song.txt"
printf '#title bad\n#bpm 120\noooo\n#bpm\n' >"$drive/charts/bad.txt"

# Sized to the messages, in the colours of a Windows console; full-width text in IPAGothic.
xterm -geometry 58x6 -b 8 -fa 'DejaVu Sans Mono' -fd IPAGothic -fs 11 -bg black -fg '#cccccc' \
  -T beatplate.exe -e "$wine" "C:\\$folder\\beatplate.exe" \
  'C:\charts\good.txt' 'C:\charts\song.txt' 'C:\charts\bad.txt' &
terminal=$!
for _ in $(seq 1 300); do
  [ -f "$drive/charts/good.png" ] && [ -f "$drive/charts/song.png" ] && break
  sleep 0.1
done
# Time for the summary and the prompt to be drawn.
sleep 2
kill -0 "$terminal" 2>/dev/null || {
  echo "console_screenshot: beatplate.exe did not wait for Enter" >&2
  exit 1
}
window=$(xdotool search --sync --name '^beatplate\.exe$' | head -n1)
mkdir -p "$(dirname "$output")"
xwd -silent -id "$window" | xwdtopnm 2>/dev/null | pnmtopng -compression 9 >"$output"

xdotool windowfocus --sync "$window" key Return
for _ in $(seq 1 100); do
  kill -0 "$terminal" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$terminal" 2>/dev/null; then
  echo "console_screenshot: beatplate.exe did not end after Enter" >&2
  exit 1
fi
terminal=""
echo "$output $(stat -c %s "$output") bytes"
