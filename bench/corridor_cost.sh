#!/usr/bin/env bash
# What --cabinets=FILE --corridors adds to a run with -E --rollup=5: generates
# (or takes) a day of N devices with its cabinet list, then runs the baseline
# and the corridor run alternately RUNS times and prints the fastest wall time
# of each, their ratio, and the size of the corridor picture.
#   bench/corridor_cost.sh [BUILD_DIR] [DEVICES] [RUNS] [GENERATOR]
set -euo pipefail
build=${1:-build/release}
devices=${2:-3000}
runs=${3:-5}
gen=${4:-$build/loopconv-gen}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/in" "$work/out" "$work/log"
"$gen" --devices "$devices" --date 08/18/2021 --seed 1 --lst "$work/in" >/dev/null
list=$(ls "$work"/in/*LST*)
mv "$list" "$work/Cabinets.LST"

# Prints the wall seconds and the CPU seconds (user + system) of one run.
wall() {
  /usr/bin/time -o "$work/time.txt" -f "%e %U %S" "$build/loopconv" "$@" \
    -I"$work/in" -O"$work/out" -F"$work/log" >/dev/null
  awk '{printf "%s %.2f", $1, $2 + $3}' "$work/time.txt"
}
min() { echo "$1 $2" | awk '{print ($1 < $2) ? $1 : $2}'; }

base_best=999999
corr_best=999999
base_cpu=999999
corr_cpu=999999
for i in $(seq "$runs"); do
  rm -rf "$work/out"/*
  read -r b bc <<<"$(wall -E --rollup=5)"
  rm -rf "$work/out"/*
  read -r c cc <<<"$(wall -E --rollup=5 --cabinets="$work/Cabinets.LST" --corridors)"
  echo "run $i: -E --rollup=5 $b s ($bc s CPU), with --corridors $c s ($cc s CPU)"
  base_best=$(min "$b" "$base_best")
  corr_best=$(min "$c" "$corr_best")
  base_cpu=$(min "$bc" "$base_cpu")
  corr_cpu=$(min "$cc" "$corr_cpu")
done
echo "fastest of $runs: -E --rollup=5 $base_best s, with --corridors $corr_best s," \
  "ratio $(echo "$corr_best $base_best" | awk '{printf "%.3f", $1 / $2}')"
echo "least CPU of $runs: $base_cpu s and $corr_cpu s," \
  "ratio $(echo "$corr_cpu $base_cpu" | awk '{printf "%.3f", $1 / $2}')"
ls -l "$work"/out/Corridor* "$work"/out/TravelTimes* | awk '{print $5, $9}'
grep -h -e "cabinets placed" -e " W " "$work"/log/*.txt | tail -n 2
