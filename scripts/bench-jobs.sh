#!/usr/bin/env bash
# Builds beatplate in Release (build-release/) and times one run over CHARTS charts (40 by
# default, each the 480 measures of tests/data/long_chart.txt) with -j 1 and with -j 2, ROUNDS
# times each (5 by default), and prints the medians and their ratio: -j 2 should take at most 0.6
# of -j 1's time on two processors that nothing else keeps busy.
#   scripts/bench-jobs.sh [CHARTS [ROUNDS]]
set -euo pipefail
cd "$(dirname "$0")/.."
count=${1:-40}
rounds=${2:-5}
./scripts/setup.sh

cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DBEATPLATE_TESTS=OFF -DBEATPLATE_BENCH=ON >/dev/null
cmake --build build-release -j"$(nproc)" --target beatplate >/dev/null

work=build-release/bench-jobs
rm -rf "$work"
mkdir -p "$work/charts"
for i in $(seq -w 1 "$count"); do
  cp tests/data/long_chart.txt "$work/charts/chart-$i.txt"
done

# "wall-clock CPU" seconds of one run of beatplate -j N over every chart, CPU being user + system.
seconds_for() {
  rm -rf "$work/pictures"
  local TIMEFORMAT='%R %U %S' timing
  timing=$({ time ./build-release/beatplate -j "$1" -o "$work/pictures" "$work"/charts/*.txt \
    </dev/null 2>/dev/null; } 2>&1)
  awk '{ printf "%.3f %.3f\n", $1, $2 + $3 }' <<<"$timing"
}

# The two are run in turns, so that a load that comes and goes on the machine weighs on both.
ones=() twos=() cpu_one=() cpu_two=()
for _ in $(seq "$rounds"); do
  read -r wall cpu < <(seconds_for 1)
  ones+=("$wall") cpu_one+=("$cpu")
  read -r wall cpu < <(seconds_for 2)
  twos+=("$wall") cpu_two+=("$cpu")
done
median() { printf '%s\n' "$@" | sort -n | sed -n "$(( ($# + 1) / 2 ))p"; }
one=$(median "${ones[@]}")
two=$(median "${twos[@]}")
pictures=$(find "$work/pictures" -name '*.png' | wc -l)
echo "beatplate on $count charts of 480 measures ($pictures pictures written), $(nproc) processors,"
echo "load average $(cut -d' ' -f1-3 /proc/loadavg); median of $rounds runs each:"
# Processors used = CPU time / wall time: near 1 and 2 on an idle machine; less means that other
# work on the machine took the processors, and the ratio then says little.
awk -v a="$one" -v b="$two" -v ca="$(median "${cpu_one[@]}")" -v cb="$(median "${cpu_two[@]}")" 'BEGIN {
  printf "  -j 1  %7.3f s wall, %7.3f s CPU, %.2f processors used\n", a, ca, ca / a
  printf "  -j 2  %7.3f s wall, %7.3f s CPU, %.2f processors used\n", b, cb, cb / b
  printf "  -j 2 / -j 1 = %.2f (target: at most 0.60)\n", b / a
}'
