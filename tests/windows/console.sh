#!/usr/bin/env bash
# beatplate.exe in a console window of its own, as Explorer starts it for a drop (Wine's
# wineconsole, on a virtual X display of the test's own): with a bad chart among good ones it
# waits for Enter, and ends when Enter is pressed in its window; with good charts only it ends at
# once. Run by scripts/test-windows.sh; skipped, saying why, without Xvfb and xdotool
# (BEATPLATE_SCREENSHOT_TOOLS=1 scripts/setup.sh installs them). Wine must be set up (WINEPREFIX).
#   tests/windows/console.sh WINDOWS_BUILD_DIR
set -euo pipefail
windows=$(cd "$1" && pwd)
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
. "$source_dir/tests/windows/checks.sh"
for tool in Xvfb xdotool; do
  if ! command -v "$tool" >/dev/null; then
    echo "console: skipped, $tool is not installed (scripts/setup.sh --windows installs it)"
    exit 0
  fi
done
xvfb=""
cleanup() {
  /usr/lib/wine/wineserver -k 2>/dev/null || true
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# The prefix's processes, started without a display, end first: windows need one.
/usr/lib/wine/wineserver -k 2>/dev/null || true
. "$source_dir/scripts/virtual-display.sh"
start_virtual_display "$work"

charts=$WINEPREFIX/drive_c/console-test
rm -rf "$charts"
mkdir "$charts"
cp "$source_dir/examples/example.txt" "$charts/good.txt"
printf '#title bad\n#bpm 120\noooo\n#bpm\n' >"$charts/bad.txt"

"$wine" wineconsole "$windows/beatplate.exe" 'C:\console-test\good.txt' \
  'C:\console-test\bad.txt' >/dev/null 2>&1 &
program=$!
for _ in $(seq 1 300); do
  [ -f "$charts/good.png" ] && break
  sleep 0.1
done
sleep 2
if ! kill -0 "$program" 2>/dev/null; then
  fail "with a bad chart it ended without waiting for Enter"
else
  window=$(timeout 20 xdotool search --sync --onlyvisible --class conhost.exe | head -n1 || true)
  [ -n "$window" ] && xdotool windowfocus --sync "$window" key Return
  for _ in $(seq 1 100); do
    kill -0 "$program" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$program" 2>/dev/null; then
    fail "it did not end when Enter was pressed in its window (${window:-no window found})"
  else
    status=0
    wait "$program" || status=$?
    [ "$status" = 2 ] || fail "with a bad chart it ended with status $status, not 2"
  fi
fi

rm -f "$charts/good.png"
status=0
timeout 30 "$wine" wineconsole "$windows/beatplate.exe" 'C:\console-test\good.txt' \
  >/dev/null 2>&1 || status=$?
[ "$status" = 0 ] || fail "with a good chart only it ended with status $status (124: it waited)"
[ -f "$charts/good.png" ] || fail "with a good chart only no picture was written"

end_checks console "all passed"
