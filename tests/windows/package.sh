#!/usr/bin/env bash
# Tests the Windows archive under Wine, run by scripts/test-windows.sh: it unpacks to one folder
# with the files a user needs and their licences; beatplate.exe there, given two good charts and
# a bad one as a drop gives them, writes both pictures with the sheet and the font beside it
# (the same bytes as Linux draws with them), names the error and counts what became of each
# chart; run from a script with standard input redirected, it does not wait for a key. Wine must
# be set up (WINEPREFIX).
#   tests/windows/package.sh ARCHIVE LINUX_BUILD_DIR
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
. "$source_dir/tests/windows/checks.sh"
archive=$(realpath "$1")
linux=$(cd "$2" && pwd)

cd "$work"
python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(".")' "$archive"
folder=$(basename "$archive" .zip)
expected="LICENSE.txt README.txt beatplate-chart.exe beatplate.exe ipag.ttf licenses/FreeType.txt
licenses/IPAfont.txt licenses/libpng.txt licenses/zlib.txt pic.png web/app.js web/beatplate.js
web/beatplate.wasm web/fonts/LICENSE-IPAfont.txt web/fonts/ipag.ttf web/index.html web/pic.png
web/player.js web/served.js web/standalone.js web/style.css"
actual=$(cd "$folder" && find . -type f | sed 's,^\./,,' | sort | tr '\n' ' ')
[ "$actual" = "$(tr '\n' ' ' <<<"$expected")" ] || fail "the archive holds: $actual"
head -c 3 "$folder/README.txt" | cmp -s - <(printf '\xEF\xBB\xBF') || fail "README.txt has no BOM"
grep -q $'\r$' "$folder/README.txt" || fail "README.txt does not end its lines with CRLF"
grep -q '^\[日本語\]' "$folder/README.txt" || fail "README.txt has no Japanese part"

mkdir charts
cp "$source_dir/examples/example.txt" charts/good.txt
cp "$source_dir/tests/data/reference/"*.txt charts/ 2>/dev/null || true
second=$(ls charts | grep -v '^good.txt$' | head -n1)
printf '#title bad\n#bpm 120\noooo\n#bpm\n' >charts/bad.txt
# A drop passes the charts' full paths; the program finds its sheet and font beside itself.
status=0
timeout 120 "$wine" "$folder/beatplate.exe" "$work/charts/good.txt" "$work/charts/$second" \
  "$work/charts/bad.txt" </dev/null >out.txt 2>errors.txt || status=$?
[ "$status" = 2 ] || fail "three dropped charts end with status $status, not 2 (124: it waited)"
for name in good "${second%.txt}"; do
  [ -s "charts/$name.png" ] || { fail "no picture of $name"; continue; }
  "$linux/beatplate" --sheet "$folder/pic.png" --font "$folder/ipag.ttf" "charts/$name.txt" \
    -o "linux-$name.png" 2>/dev/null || true
  cmp -s "charts/$name.png" "linux-$name.png" \
    || fail "$name: not drawn with the sheet and font beside the program"
done
[ ! -e charts/bad.png ] || fail "a picture of the bad chart"
grep -q 'bad.txt' errors.txt || fail "the error does not name its chart: $(cat errors.txt)"
if grep -q 'pictures written' errors.txt; then
  fail "a run from a script printed the summary meant for a window: $(cat errors.txt)"
fi

# --pause asks for the window's ending even from a script: the summary, then a wait that returns
# at once where there is no console to read (the timeout keeps a console's wait from hanging).
status=0
timeout 20 "$wine" "$folder/beatplate.exe" --pause "$work/charts/good.txt" \
  "$work/charts/bad.txt" </dev/null >/dev/null 2>pause.txt || status=$?
grep -q '1 picture written, 1 chart has an error' pause.txt \
  || fail "--pause gave no summary: $(cat pause.txt)"

end_checks package "$(stat -c %s "$archive") bytes, every check passed"
