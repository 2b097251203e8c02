#!/usr/bin/env bash
# Builds beatplate in Release (build-release/) and writes the sound (notes and metronome) of
# generated charts of 100, 1,000 and 10,000 measures as WAV files, each in a process of its own,
# printing the time, the sound's length and size and the peak memory beside that of reading the
# chart alone. The 10,000-measure sound is about 1.2 GB on the disk for a moment. The machine's
# load is shown before and after.
#   scripts/bench-sound.sh [MEASURES...]
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh

cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DBEATPLATE_TESTS=OFF -DBEATPLATE_BENCH=ON >/dev/null
cmake --build build-release -j2 --target sound_bench >/dev/null

work=build-release/bench-sound
mkdir -p "$work"
echo "load before: $(uptime)"
./build-release/bench/sound_bench "$work" "$@"
echo "load after: $(uptime)"
rmdir "$work"
