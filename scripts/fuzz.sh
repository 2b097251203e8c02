#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for the given number of seconds.
#   scripts/fuzz.sh [SECONDS]   (default 60)
# A crash, a sanitizer report, a run over 30 s or over 2 GB, or an allocation over 1 GB fails
# the script; the input that did it is left in build-fuzz/crashes/ and the log beside it.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
BEATPLATE_DEV_TOOLS=1 ./scripts/setup.sh

cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++-14 \
  -DBEATPLATE_FUZZ=ON -DBEATPLATE_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
nice cmake --build build-fuzz -j"$(nproc)" --target chart_reader_fuzzer whole_run_fuzzer

corpus=build-fuzz/corpus
mkdir -p "$corpus/seeds" build-fuzz/crashes
cp examples/*.txt "$corpus/seeds/"
find tests/data -type f -name '*.txt' -exec cp {} "$corpus/seeds/" \;
for target in chart_reader_fuzzer whole_run_fuzzer; do
  mkdir -p "$corpus/$target"
  echo "fuzz: $target for $seconds s"
  status=0
  nice ./build-fuzz/fuzz/$target -max_total_time="$seconds" -max_len=8192 -timeout=30 \
    -rss_limit_mb=2048 -malloc_limit_mb=1024 -dict=fuzz/chart.dict -print_final_stats=1 \
    -artifact_prefix=build-fuzz/crashes/ "$corpus/$target" "$corpus/seeds" \
    </dev/null >"build-fuzz/$target.log" 2>&1 || status=$?
  grep -E '^(#[0-9]+[[:space:]]+(INITED|DONE)|stat::|SUMMARY|artifact_prefix|Test unit written)' \
    "build-fuzz/$target.log" || true
  if [ "$status" -ne 0 ]; then
    echo "fuzz: $target found a fault (status $status); the log is build-fuzz/$target.log"
    tail -n 40 "build-fuzz/$target.log"
    exit 1
  fi
done
