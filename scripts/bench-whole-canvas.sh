#!/usr/bin/env bash
# Times beatplate on a generated chart of MEASURES measures (50 by default) against the build of
# commit a5b4cf2, which drew the whole canvas before encoding it, and against this build's own
# `beatplate --version` (what every run costs before it reads a chart), in one hyperfine run of
# the three, RUNS times each (60 by default), and prints the mean times and the ratios: the target
# is at most 0.7 of the old build. Then the language server, from a change of a chart of 200 and
# of 2,000 measures to its published diagnostics, without the pause it waits for the author to
# stop typing. The old commit is built from git archive in build-release/, never in a worktree of
# the repository, unless BEATPLATE_BASELINE_BUILD names a Release build of it.
#   scripts/bench-whole-canvas.sh [MEASURES [RUNS]]
set -euo pipefail
cd "$(dirname "$0")/.."
measures=${1:-50}
runs=${2:-60}
baseline=a5b4cf2
BEATPLATE_DEV_TOOLS=1 ./scripts/setup.sh

cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DBEATPLATE_TESTS=OFF -DBEATPLATE_BENCH=ON >/dev/null
cmake --build build-release -j"$(nproc)" --target beatplate beatplate_bench lsp_bench sprite_sheet >/dev/null

old=build-release/whole-canvas-$baseline
old_program="${BEATPLATE_BASELINE_BUILD:-$old/build}/beatplate"
if [ ! -x "$old_program" ]; then
  rm -rf "$old"
  mkdir -p "$old/source"
  git archive "$baseline" | tar -x -C "$old/source"
  cmake -S "$old/source" -B "$old/build" -DCMAKE_BUILD_TYPE=Release -DBEATPLATE_TESTS=OFF >/dev/null
  cmake --build "$old/build" -j"$(nproc)" --target beatplate sprite_sheet >/dev/null
fi

work=build-release/bench-whole-canvas
rm -rf "$work"
mkdir -p "$work"
# The benchmark's own generator, kept with --keep as bench-N-whole.txt.
./build-release/bench/beatplate_bench --repeat 1 --keep "$work" build-release/pic.png "$measures" \
  </dev/null >/dev/null
chart="$work/bench-$measures-whole.txt"
cp "$chart" "$work/old.txt"
cp "$chart" "$work/new.txt"
# Each program draws its own copy beside it; both must succeed before they are timed.
"$old_program" "$work/old.txt" </dev/null
./build-release/beatplate "$work/new.txt" </dev/null
[ -s "$work/old.png" ] && [ -s "$work/new.png" ]

echo "load before: $(uptime)"
hyperfine -N --warmup 5 --runs "$runs" --export-json "$work/times.json" \
  -n "$baseline (whole canvas)" "$old_program $work/old.txt" \
  -n "this build" "./build-release/beatplate $work/new.txt" \
  -n "this build --version" "./build-release/beatplate --version" </dev/null
echo "load after: $(uptime)"
python3 - "$work/times.json" "$measures" <<'PY'
import json, sys
old, new, version = json.load(open(sys.argv[1]))["results"]
# Under load the wall-clock time also counts the waits for a processor; the processor time
# (user and system) does not.
cpu = lambda result: result["user"] + result["system"]
print(f"{sys.argv[2]} measures, wall-clock mean: {old['command']}: {old['mean'] * 1000:.2f} ms, "
      f"this build: {new['mean'] * 1000:.2f} ms, ratio {new['mean'] / old['mean']:.3f} "
      "(target at most 0.7)")
print(f"{sys.argv[2]} measures, processor time: {cpu(old) * 1000:.2f} ms against "
      f"{cpu(new) * 1000:.2f} ms, ratio {cpu(new) / cpu(old):.3f}")
print(f"fixed cost, this build --version: wall-clock {version['mean'] * 1000:.2f} ms "
      f"({version['mean'] / new['mean']:.2f} of the {sys.argv[2]}-measure render), "
      f"processor {cpu(version) * 1000:.2f} ms ({cpu(version) / cpu(new):.2f} of it)")
PY

echo
echo "The language server, from a change to its published diagnostics (load: $(uptime)):"
./build-release/bench/lsp_bench 200 2000 </dev/null
