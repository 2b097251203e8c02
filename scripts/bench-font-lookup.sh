#!/usr/bin/env bash
# What finding the header's face costs one run of beatplate on a short chart: the face named with
# --font, a font file beside the program, the lookup among the font directories alone (what a run
# does without either), and the lookup through fontconfig's whole configuration (what it did
# before; FONTCONFIG_FILE makes the program read it whole). Prints the instructions of each run,
# which callgrind counts alike however loaded the machine is, then their times in one hyperfine
# run, RUNS times each (40 by default), with the load before and after, and checks that every
# way draws the same picture.
#   scripts/bench-font-lookup.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-40}
BEATPLATE_DEV_TOOLS=1 ./scripts/setup.sh

cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DBEATPLATE_TESTS=OFF -DBEATPLATE_BENCH=ON >/dev/null
cmake --build build-release -j"$(nproc)" --target beatplate sprite_sheet >/dev/null

font=/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf
work=build-release/bench-font-lookup
rm -rf "$work"
mkdir -p "$work/beside"
# A copy, not a link: the program looks beside the file it runs from.
cp build-release/beatplate build-release/pic.png "$work/"
cp build-release/beatplate build-release/pic.png "$work/beside/"
ln -s "$font" "$work/beside/ipag.ttf"
printf '#title さくら咲く夜\n#level 7\nooooxxxx oooo xxxx\n' >"$work/chart.txt"

ways=(named beside directories whole)
command_for() {
  case $1 in
    named) echo "$work/beatplate --font $font -o $work/named.png $work/chart.txt" ;;
    beside) echo "$work/beside/beatplate -o $work/beside.png $work/chart.txt" ;;
    *) echo "$work/beatplate -o $work/$1.png $work/chart.txt" ;;
  esac
}
# Each way runs through env with one setting, so that each pays for it alike; FONTCONFIG_FILE
# has the program read fontconfig's whole configuration.
setting_for() {
  if [ "$1" = whole ]; then echo FONTCONFIG_FILE=/etc/fonts/fonts.conf; else echo "WAY=$1"; fi
}

for way in "${ways[@]}"; do
  # shellcheck disable=SC2046
  env "$(setting_for "$way")" valgrind --tool=callgrind --callgrind-out-file=/dev/null \
    $(command_for "$way") </dev/null 2>&1 | sed -n "s/.*Collected : \([0-9]*\)/$way: \1 instructions/p"
done
valgrind --tool=callgrind --callgrind-out-file=/dev/null "$work/beatplate" --version 2>&1 >/dev/null \
  | sed -n 's/.*Collected : \([0-9]*\)/--version: \1 instructions/p'
for way in "${ways[@]}"; do
  cmp "$work/named.png" "$work/$way.png" || { echo "bench-font-lookup: $way draws another picture" >&2; exit 1; }
done
echo "every way draws the same picture"

arguments=()
for way in "${ways[@]}"; do
  arguments+=(-n "$way" "env $(setting_for "$way") $(command_for "$way")")
done
echo "load before: $(uptime)"
hyperfine -N --warmup 3 --runs "$runs" "${arguments[@]}" </dev/null
echo "load after: $(uptime)"
