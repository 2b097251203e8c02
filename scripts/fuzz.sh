#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for the given number of seconds, with
# inputs of up to 4 MB, seeded with charts and pictures at every limit.
#   scripts/fuzz.sh [SECONDS] [TARGET...]   (default 60 s each, every target)
# Prints per target the time, executions, coverage, corpus, crashes, leaks, out-of-memory runs
# and timeouts. A crash, a sanitizer report, a leak, a run over 60 s or over 2.5 GB, or an
# allocation over 2 GB fails the script; the input that did it is left in
# build-fuzz/artifacts/TARGET/ and the log in build-fuzz/TARGET.log.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(chart_reader_fuzzer whole_run_fuzzer chart_chunk_fuzzer)
BEATPLATE_DEV_TOOLS=1 ./scripts/setup.sh

cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++-14 \
  -DBEATPLATE_FUZZ=ON -DBEATPLATE_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
nice cmake --build build-fuzz -j"$(nproc)" --target make_fuzz_seeds "${targets[@]}"

corpus=build-fuzz/corpus
rm -rf "$corpus/chart-seeds" "$corpus/picture-seeds"
./build-fuzz/fuzz/make_fuzz_seeds "$corpus/chart-seeds" "$corpus/picture-seeds" examples/example.txt
cp examples/*.txt "$corpus/chart-seeds/"
find tests/data -type f -name '*.txt' -exec cp {} "$corpus/chart-seeds/" \;
cp examples/*.png "$corpus/picture-seeds/"

failed=0
summary=()
for target in "${targets[@]}"; do
  seeds=$corpus/chart-seeds dict=fuzz/chart.dict
  if [ "$target" = chart_chunk_fuzzer ]; then
    seeds=$corpus/picture-seeds dict=fuzz/png.dict
  fi
  artifacts=build-fuzz/artifacts/$target
  mkdir -p "$corpus/$target" "$artifacts"
  echo "fuzz: $target for $seconds s"
  start=$(date +%s)
  status=0
  nice ./build-fuzz/fuzz/$target -max_total_time="$seconds" -max_len=4194304 -timeout=60 \
    -rss_limit_mb=2560 -malloc_limit_mb=2048 -dict="$dict" -print_final_stats=1 \
    -artifact_prefix="$artifacts/" "$corpus/$target" "$seeds" \
    </dev/null >"build-fuzz/$target.log" 2>&1 || status=$?
  elapsed=$(( $(date +%s) - start ))
  log=build-fuzz/$target.log
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  # The last progress line holds the coverage reached: "#N DONE cov: C ft: F corp: U/S ...".
  progress=$(grep -E '^#[0-9]+' "$log" | tail -n 1 || true)
  coverage=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$progress")
  features=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$progress")
  units=$(sed -n 's/.* corp: \([0-9]*\).*/\1/p' <<<"$progress")
  count() { find "$artifacts" -name "$1-*" | wc -l; }
  line="$target: ${elapsed} s, ${executions:-?} executions, cov ${coverage:-?}, ft ${features:-?}"
  line+=", corpus ${units:-?}, crashes $(count crash), leaks $(count leak), ooms $(count oom)"
  line+=", timeouts $(count timeout), status $status"
  summary+=("$line")
  if [ "$status" -ne 0 ]; then
    failed=1
    echo "fuzz: $target found a fault; the log is $log"
    tail -n 40 "$log"
  fi
done
echo "fuzz summary:"
printf '  %s\n' "${summary[@]}"
exit "$failed"
