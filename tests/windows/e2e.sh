#!/usr/bin/env bash
# End-to-end tests of the Windows programs under Wine, run by scripts/test-windows.sh: every
# reference chart is drawn by beatplate.exe byte for byte as the Linux beatplate draws it with the
# same sheet and font file, and beatplate-chart.exe gets each chart back as the Linux one does; a
# chart in a folder with a Japanese name, the messages as UTF-8, no temporary file left behind a
# killed write, --watch following saves in place and by rename, and serve answering on the
# loopback address. Wine must be set up (WINEPREFIX).
#   tests/windows/e2e.sh WINDOWS_BUILD_DIR LINUX_BUILD_DIR
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
. "$source_dir/tests/windows/checks.sh"
windows=$(cd "$1" && pwd)
linux=$(cd "$2" && pwd)
font=${BEATPLATE_TEST_FONT:-$(fc-match -f '%{file}' ':lang=ja:style=Regular')}
sheet=$source_dir/assets/pic.png

# Paths are given relative to the work folder, which Wine reaches through its Z: drive.
cd "$work"
mkdir charts linux windows
charts=("$source_dir"/examples/example.txt "$source_dir"/tests/data/*.txt
  "$source_dir"/tests/data/reference/*.txt)

echo "e2e: ${#charts[@]} charts, font $font"
for chart in "${charts[@]}"; do
  name=$(basename "$chart" .txt)
  cp "$chart" "charts/$name.txt"
  linux_status=0
  "$linux/beatplate" --sheet "$sheet" --font "$font" "charts/$name.txt" -o "linux/$name.png" \
    2>/dev/null || linux_status=$?
  windows_status=0
  "$wine" "$windows/beatplate.exe" --sheet "$sheet" --font "$font" "charts/$name.txt" \
    -o "windows/$name.png" 2>/dev/null || windows_status=$?
  if [ "$linux_status" != "$windows_status" ]; then
    fail "$name: status $windows_status on Windows, $linux_status on Linux"
    continue
  fi
  [ "$linux_status" = 0 ] || continue
  cmp -s "linux/$name.png" "windows/$name.png" || fail "$name: the pictures differ"
  "$linux/beatplate-chart" "linux/$name.png" -o "linux/$name.txt" 2>/dev/null
  "$wine" "$windows/beatplate-chart.exe" "windows/$name.png" -o "windows/$name.txt" 2>/dev/null \
    || fail "$name: beatplate-chart.exe failed"
  cmp -s "linux/$name.txt" "windows/$name.txt" || fail "$name: the charts got back differ"
done

# The sheet built into beatplate.exe is the one of the tree.
"$wine" "$windows/beatplate.exe" --font "$font" charts/example.txt -o built-in.png 2>/dev/null
cmp -s built-in.png windows/example.png || fail "the built-in sheet draws otherwise"

# Standard input and output carry bytes untranslated.
"$wine" "$windows/beatplate.exe" --font "$font" - <charts/example.txt >stdout.png 2>/dev/null
cmp -s stdout.png windows/example.png || fail "a picture on standard output differs"
"$wine" "$windows/beatplate-chart.exe" - <windows/example.png >stdout.txt 2>/dev/null
cmp -s stdout.txt linux/example.txt || fail "a chart on standard output differs"

# A folder and a chart with Japanese names; the title and the messages in UTF-8 when redirected.
mkdir 譜面
cp "$source_dir/examples/example.txt" 譜面/さくら.txt
"$wine" "$windows/beatplate.exe" --font "$font" 譜面/さくら.txt 2>/dev/null \
  || fail "譜面/さくら.txt is not drawn"
cmp -s 譜面/さくら.png windows/example.png || fail "譜面/さくら.png is not the picture"
"$wine" "$windows/beatplate.exe" --stats 譜面/さくら.txt >stats.txt 2>/dev/null || true
title=$(iconv -f CP932 -t UTF-8 <"$source_dir/examples/example.txt" | sed -n 's/^#title //p')
grep -qF "$title" stats.txt || fail "the title is not UTF-8 on standard output: $(head -c 200 stats.txt)"
status=0
"$wine" "$windows/beatplate.exe" 譜面/ない.txt 2>errors.txt || status=$?
[ "$status" != 0 ] || fail "a missing chart ends with status 0"
grep -qF "ファイルが見つかりません。 (譜面/ない.txt)" errors.txt \
  || fail "the message is not UTF-8 on standard error: $(head -c 200 errors.txt)"

# On a console (Wine makes one of a terminal) the text is written as UTF-16 and shows as itself.
# Alone on the console Wine makes for it, the program would wait for Enter after the error.
console=$(LANG=C.UTF-8 script -qec "$wine '$windows/beatplate.exe' --no-pause 譜面/ない.txt" /dev/null || true)
grep -qF "ファイルが見つかりません。 (譜面/ない.txt)" <<<"$console" \
  || fail "the message is not readable on the console: ${console:0:200}"
console=$(LANG=C.UTF-8 script -qec "$wine '$windows/beatplate.exe' --stats 譜面/さくら.txt" /dev/null)
grep -qF "$title" <<<"$console" || fail "the title is not readable on the console: ${console:0:200}"

# A write killed outright leaves no temporary file: the system deletes it with the process.
{
  echo "#title long"
  for _ in $(seq 1 3000); do echo "o x o x o o x O "; done
} >long.txt
mkdir killed
"$wine" "$windows/beatplate.exe" --font "$font" long.txt -o killed/long.png 2>/dev/null &
writer=$!
for _ in $(seq 1 600); do
  compgen -G 'killed/.beatplate-*.tmp' >/dev/null && break
  sleep 0.05
done
if compgen -G 'killed/.beatplate-*.tmp' >/dev/null; then
  kill -KILL "$writer"
  wait "$writer" 2>/dev/null || true
  sleep 2
  leftover=$(ls -A killed)
  [ -z "$leftover" ] || fail "a killed write left $leftover"
else
  wait "$writer" 2>/dev/null || true
  fail "no temporary file was seen while the long chart was written"
fi

# --watch draws the chart again when it is saved (ReadDirectoryChangesW): written in place, then
# written to a new file beside it that a Windows program renames over it, as many editors save.
mkdir watched
cp "$source_dir/examples/example.txt" watched/a.txt
"$wine" "$windows/beatplate.exe" --watch --font "$font" watched/a.txt 2>/dev/null &
watcher=$!
redrawn_from() {
  for _ in $(seq 1 100); do
    [ -f watched/a.png ] && ! cmp -s watched/a.png "$1" && return 0
    sleep 0.1
  done
  return 1
}
for _ in $(seq 1 100); do
  [ -f watched/a.png ] && break
  sleep 0.1
done
cmp -s watched/a.png windows/example.png || fail "--watch did not draw the chart first"
sleep 0.5
printf 'o o o o o o o o \n' >>watched/a.txt
redrawn_from windows/example.png || fail "--watch did not draw the chart saved in place again"
cp watched/a.png saved-in-place.png
{
  cat watched/a.txt
  printf 'x x x x x x x x \n'
} >watched/a.txt.tmp
"$wine" cmd /c move /y 'watched\a.txt.tmp' 'watched\a.txt' >/dev/null 2>&1 \
  || fail "the chart could not be saved by rename"
redrawn_from saved-in-place.png || fail "--watch did not draw the chart saved by rename again"
kill "$watcher" 2>/dev/null || true
wait "$watcher" 2>/dev/null || true

# serve answers on the loopback address, through Winsock.
port=$((20000 + RANDOM % 20000))
"$wine" "$windows/beatplate.exe" serve --port "$port" 譜面 2>serve.txt &
server=$!
answer=""
for _ in $(seq 1 100); do
  answer=$(curl -s --max-time 2 "http://127.0.0.1:$port/api/charts" || true)
  [ -n "$answer" ] && break
  sleep 0.2
done
kill "$server" 2>/dev/null || true
wait "$server" 2>/dev/null || true
grep -qF "さくら.txt" <<<"$answer" || fail "serve did not list the chart: ${answer:0:200}"

end_checks e2e "all passed"
