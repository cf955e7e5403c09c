#!/usr/bin/env bash
# What --pages costs and weighs on a 3000-device day:
#   - the run with --rollup=5 --health (and --cabinets=... --corridors when
#     the build has them) without and with --pages, alternating, fastest of
#     BENCH_RUNS rounds each (the baseline measured in the same run);
#   - the size of the day page and its load time in headless chromium
#     (scripts/render_page.sh, at 1280 px; fastest of three);
#   - Index.html over a year of days: 365 copies of that day page under the
#     dates of 2021, the index rewritten by a run with --pages; its size and
#     the time of that run.
#
#   scripts/bench_pages.sh [BUILD_DIR]     (default build/release)
set -euo pipefail
export LC_ALL=C
cd "$(dirname "$0")/.."
build=${1:-build/release}
runs=${BENCH_RUNS:-5}
loopconv=$build/loopconv
gen=$build/loopconv-gen
[ -x "$loopconv" ] && [ -x "$gen" ] || { echo "bench_pages.sh: build $build first" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/bench_pages.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/in" "$work/log" "$work/base" "$work/pages"
"$gen" --devices 3000 --date 08/18/2021 --seed 7 --lst "$work/in" >/dev/null
# Corridors when this build has them (BENCH_CORRIDORS=0 leaves them out).
extra=()
if [ "${BENCH_CORRIDORS:-1}" = 1 ] &&
   ! "$loopconv" --corridors 2>&1 | grep -q "Illegal option -- '--corridors'"; then
  extra=("--cabinets=$(ls "$work"/in/*.LST)" --corridors)
fi

# "wall cpu" seconds of one run: elapsed, and user + system of the process.
timed() {
  local TIMEFORMAT='%R %U %S'
  { time "$@" >/dev/null 2>&1; } 2>&1 | awk '{printf "%.3f %.3f\n", $1, $2 + $3}'
}
best() { sort -n | head -n 1; }
change() { awk -v a="$1" -v b="$2" 'BEGIN{printf "%+.1f%%", (b - a) * 100 / a}'; }

: >"$work/base.times"
: >"$work/pages.times"
for ((i = 0; i < runs; i++)); do
  timed "$loopconv" --rollup=5 --health "${extra[@]}" -I"$work/in" -O"$work/base" \
    -F"$work/log" >>"$work/base.times"
  timed "$loopconv" --rollup=5 --health "${extra[@]}" --pages -I"$work/in" -O"$work/pages" \
    -F"$work/log" >>"$work/pages.times"
done
base=$(cut -d' ' -f1 "$work/base.times" | best)
pages=$(cut -d' ' -f1 "$work/pages.times" | best)
base_cpu=$(cut -d' ' -f2 "$work/base.times" | best)
pages_cpu=$(cut -d' ' -f2 "$work/pages.times" | best)
page=$work/pages/Day_2021-08-18.html
echo "options: --rollup=5 --health ${extra[*]}"
echo "3000-device day, fastest of $runs: wall without --pages ${base} s, with ${pages} s" \
  "($(change "$base" "$pages")); CPU ${base_cpu} s and ${pages_cpu} s" \
  "($(change "$base_cpu" "$pages_cpu"))"
echo "day page: $(stat -c %s "$page") bytes"

load=()
for ((i = 0; i < 3; i++)); do
  load+=("$(scripts/render_page.sh "$page" "$work/page.png" 1280 | sed -n 's/.*loaded in \([0-9]*\) ms/\1/p')")
done
echo "day page load in chromium at 1280 px, fastest of 3: $(printf '%s\n' "${load[@]}" | best) ms"

# A year of day pages, and the index over them.
mkdir -p "$work/year/in" "$work/year/out"
"$gen" --devices 20 --date 12/31/2021 --seed 1 "$work/year/in" >/dev/null
for ((d = 0; d < 365; d++)); do
  day=$(date -u -d "2021-01-01 + $d days" +%F)
  sed "s/2021-08-18/$day/g" "$page" >"$work/year/out/Day_$day.html"
done
year_times=()
for ((i = 0; i < 3; i++)); do
  year_times+=("$(timed "$loopconv" --pages -I"$work/year/in" -O"$work/year/out" \
    -F"$work/log" | cut -d' ' -f1)")
done
index=$work/year/out/Index.html
echo "index over $(grep -c '<tr><td class="nw">' "$index") days: $(stat -c %s "$index") bytes;" \
  "run with --pages on a 20-device day into that folder, fastest of 3:" \
  "$(printf '%s\n' "${year_times[@]}" | best) s"
