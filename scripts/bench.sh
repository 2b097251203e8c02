#!/usr/bin/env bash
# Builds beatplate in Release (build-release/) and prints the benchmark's figures: each stage's
# time, the canvas and PNG sizes and the peak memory for charts of 100, 1,000 and 10,000
# measures, each size run three times (the summary shows medians), three ways: the whole canvas
# drawn then encoded by libpng on one thread or by the banded encoder, and drawn in bands as
# they are encoded (what the program does), with the ratios and targets; then the tallest
# picture accepted, drawn in bands. Then 1,000 and 10,000 measures in auto columns against one
# column: the time per pixel and the peak memory of each.
# Then compares the pictures with what optipng -o2 makes of them, keeping RGBA (-nx) and
# letting it reduce the colour type. Then the language server, from a change of a chart of 200
# and of 2,000 measures to its published diagnostics. The machine's load is shown before and
# after.
#   scripts/bench.sh [RUNS] [MEASURES...]      e.g. scripts/bench.sh 5 100 1000
#   BEATPLATE_PNG_CHOICES=1 scripts/bench.sh   also times every PNG filter, level and strategy
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-3}
shift || true
sizes=("$@")
[ ${#sizes[@]} -eq 0 ] && sizes=(100 1000 10000)
BEATPLATE_DEV_TOOLS=1 ./scripts/setup.sh

cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DBEATPLATE_TESTS=OFF -DBEATPLATE_BENCH=ON >/dev/null
cmake --build build-release -j"$(nproc)" --target beatplate_bench png_choices columns_bench lsp_bench sprite_sheet

pictures=build-release/bench-pictures
rm -rf "$pictures"
echo "load before: $(uptime)"
./build-release/bench/beatplate_bench --repeat "$runs" --keep "$pictures" --tallest \
  build-release/pic.png "${sizes[@]}" </dev/null
echo "load after: $(uptime)"

echo
echo "PNG size against optipng -o2 (same pixels; -nx keeps 8-bit RGBA as the picture must be):"
for size in "${sizes[@]}"; do
  # optipng's eight trials take minutes on the tallest pictures.
  [ "$size" -gt 2000 ] && continue
  picture="$pictures/bench-$size.png"
  for flags in "-nx" ""; do
    cp "$picture" "$pictures/optipng.png"
    optipng -quiet -o2 $flags "$pictures/optipng.png"
    theirs=$(stat -c %s "$pictures/optipng.png")
    for encoder in banded libpng; do
      ours=$(stat -c %s "$picture")
      [ $encoder = libpng ] && ours=$(stat -c %s "$pictures/bench-$size-libpng.png")
      awk -v n="$size" -v f="${flags:-(reductions allowed)}" -v e=$encoder -v a="$ours" -v b="$theirs" \
        'BEGIN { printf "%6d measures, optipng -o2 %-20s %s %9d bytes, optipng %9d: x %.4f\n", n, f, e, a, b, a / b }'
    done
  done
  rm -f "$pictures/optipng.png"
done

echo
echo "Auto columns against one column (time per pixel, peak memory):"
./build-release/bench/columns_bench build-release/pic.png 1000 10000 </dev/null

echo
echo "The language server, from a change to its published diagnostics (load: $(uptime)):"
./build-release/bench/lsp_bench 200 2000 </dev/null

if [ "${BEATPLATE_PNG_CHOICES:-0}" = 1 ]; then
  echo
  ./build-release/bench/png_choices build-release/pic.png 1000 --chart examples/example.txt \
    --chart tests/data/full.txt </dev/null
fi
