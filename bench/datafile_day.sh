#!/usr/bin/env bash
# Generates a full day of N devices (default 3000) and converts it without
# reports, printing the wall time and peak memory of both steps.
#   bench/datafile_day.sh [BUILD_DIR] [DEVICES]
set -euo pipefail
build=${1:-build/release}
devices=${2:-3000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/in" "$work/out" "$work/log"

# Runs a command (its output dropped) and prints its wall time and peak memory.
measure() {
  /usr/bin/time -o "$work/time.txt" -f "  wall %e s, peak memory %M KB" "$@" >/dev/null
  cat "$work/time.txt"
}

echo "== loopconv-gen --devices $devices"
measure "$build/loopconv-gen" --devices "$devices" --date 08/18/2021 --seed 1 "$work/in"
ls -l "$work/in"
echo "== loopconv (decode only, no report)"
measure "$build/loopconv" -I"$work/in" -O"$work/out" -F"$work/log"
grep -h -e "Processed" -e "Completed" "$work"/log/*.txt
