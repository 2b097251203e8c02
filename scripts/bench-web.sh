#!/usr/bin/env bash
# The page's benchmark: builds the page (scripts/build-web.sh) and the native program in Release
# (build-release/), writes generated charts of 200 and 1,000 measures, and prints the figures of
# bench/web_bench.py: the page's time to draw each against the native program's, the time from
# opening the page to its first picture, and the gzipped size of the script and the wasm. The
# machine's load is shown before and after.
#   scripts/bench-web.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-3}
./scripts/setup.sh --web --tests
./scripts/build-web.sh
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DBEATPLATE_TESTS=OFF -DBEATPLATE_BENCH=ON >/dev/null
cmake --build build-release -j2 --target beatplate generate_chart sprite_sheet
charts=build-release/web-bench
mkdir -p "$charts"
for measures in 200 1000; do
  build-release/bench/generate_chart "$measures" >"$charts/$measures-measures.txt"
done
/usr/bin/python3 bench/web_bench.py build-release/beatplate dist/web "$runs" examples/example.txt \
  "$charts/200-measures.txt" "$charts/1000-measures.txt"
