#!/usr/bin/env bash
# Runs clang-tidy 14 with .clang-tidy over every source file under src/ and tools/ but the
# Windows implementations, two at a time, with the compile commands of a configured (not built)
# tree in build-tidy/ that holds the timing programs too. Prints the findings and exits non-zero
# when there are any.
#   scripts/tidy.sh
set -euo pipefail
cd "$(dirname "$0")/.."
BEATPLATE_DEV_TOOLS=1 ./scripts/setup.sh
cmake -S . -B build-tidy -DBEATPLATE_TESTS=OFF -DBEATPLATE_BENCH=ON >/dev/null

log=$(mktemp)
trap 'rm -f "$log"' EXIT
start=$SECONDS
status=0
# The Windows sources have no compile commands here; the Windows build checks them.
sources=('src/*.cpp' 'tools/*.cpp' ':!src/platform/windows/*')
git ls-files -z "${sources[@]}" \
  | xargs -0 -n 4 -P 2 clang-tidy-14 -p build-tidy --quiet >"$log" 2>&1 || status=$?
findings=$(grep -c ': \(warning\|error\): ' "$log" || true)
grep -A3 ': \(warning\|error\): ' "$log" || true
files=$(git ls-files "${sources[@]}" | wc -l)
echo "tidy: $files files, $findings findings, $((SECONDS - start)) s"
if [ "$findings" -eq 0 ] && [ "$status" -ne 0 ]; then
  cat "$log"
  echo "tidy: clang-tidy failed without a finding (status $status)" >&2
fi
[ "$findings" -eq 0 ] && [ "$status" -eq 0 ]
