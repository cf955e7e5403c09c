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
extra=()
if "$loopconv" --help 2>&1 | grep -q -- "--corridors"; then
  extra=("--cabinets=$(ls "$work"/in/*.LST)" --corridors)
fi

# Wall seconds of one run (3 decimals).
timed() {
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null
  end=$(date +%s.%N)
  echo "$start $end" | awk '{printf "%.3f", $2 - $1}'
}
best() { sort -n | head -n 1; }

: >"$work/base.times"
: >"$work/pages.times"
for ((i = 0; i < runs; i++)); do
  timed "$loopconv" --rollup=5 --health "${extra[@]}" -I"$work/in" -O"$work/base" \
    -F"$work/log" >>"$work/base.times"
  echo >>"$work/base.times"
  timed "$loopconv" --rollup=5 --health "${extra[@]}" --pages -I"$work/in" -O"$work/pages" \
    -F"$work/log" >>"$work/pages.times"
  echo >>"$work/pages.times"
done
base=$(best <"$work/base.times")
pages=$(best <"$work/pages.times")
page=$work/pages/Day_2021-08-18.html
echo "options: --rollup=5 --health ${extra[*]}"
echo "3000-device day, fastest of $runs: without --pages ${base} s, with --pages ${pages} s" \
  "($(awk -v a="$base" -v b="$pages" 'BEGIN{printf "%+.1f%%", (b - a) * 100 / a}'))"
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
  year_times+=("$(timed "$loopconv" --pages -I"$work/year/in" -O"$work/year/out" -F"$work/log")")
done
index=$work/year/out/Index.html
echo "index over $(grep -c '<tr><td class="nw">' "$index") days: $(stat -c %s "$index") bytes;" \
  "run with --pages on a 20-device day into that folder, fastest of 3:" \
  "$(printf '%s\n' "${year_times[@]}" | best) s"
