#!/usr/bin/env bash
# Builds beatplate in Release (build-release/) and times one run over CHARTS charts (40 by
# default, each the 480 measures of tests/data/long_chart.txt) with -j 1 and with -j 2, three
# times each, and prints the medians and their ratio: -j 2 should take at most 0.6 of -j 1's time
# on two processors.
#   scripts/bench-jobs.sh [CHARTS]
set -euo pipefail
cd "$(dirname "$0")/.."
count=${1:-40}
./scripts/setup.sh

cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DBEATPLATE_TESTS=OFF >/dev/null
cmake --build build-release -j"$(nproc)" --target beatplate >/dev/null

work=build-release/bench-jobs
rm -rf "$work"
mkdir -p "$work/charts"
for i in $(seq -w 1 "$count"); do
  cp tests/data/long_chart.txt "$work/charts/chart-$i.txt"
done

# The median wall-clock seconds of three runs of beatplate -j N over every chart.
median_seconds() {
  local jobs=$1 times=()
  for _ in 1 2 3; do
    rm -rf "$work/pictures"
    local start end
    start=$(date +%s.%N)
    ./build-release/beatplate -j "$jobs" -o "$work/pictures" "$work"/charts/*.txt </dev/null 2>/dev/null
    end=$(date +%s.%N)
    times+=("$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }')")
  done
  printf '%s\n' "${times[@]}" | sort -n | sed -n 2p
}

one=$(median_seconds 1)
two=$(median_seconds 2)
pictures=$(find "$work/pictures" -name '*.png' | wc -l)
echo "beatplate on $count charts of 480 measures ($pictures pictures written), $(nproc) processors:"
awk -v a="$one" -v b="$two" 'BEGIN {
  printf "  -j 1  %7.3f s\n  -j 2  %7.3f s\n  -j 2 / -j 1 = %.2f (target: at most 0.60)\n", a, b, b / a
}'
