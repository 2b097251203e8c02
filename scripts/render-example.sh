#!/usr/bin/env bash
# Sets up the machine, builds beatplate and renders the bundled example charts beside themselves.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake -S . -B build -DBEATPLATE_TESTS=OFF >/dev/null
cmake --build build -j"$(nproc)" --target beatplate
for chart in examples/*.txt; do
  ./build/beatplate "$chart" </dev/null
  echo "rendered ${chart%.txt}.png"
done
# The README's picture made for sharing: 200 measures in auto columns.
./build/beatplate --columns auto examples/sharing/two-hundred.txt </dev/null
echo "rendered examples/sharing/two-hundred.png"
# The README's marked revision: the example with a few measures edited, compared with the example
# (status 1: they differ).
status=0
./build/beatplate diff examples/example.txt examples/revision/example.txt </dev/null >/dev/null || status=$?
[ "$status" = 1 ]
echo "rendered examples/revision/example-diff.png"
