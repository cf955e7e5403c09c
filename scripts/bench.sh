#!/usr/bin/env bash
# Times loopconv on generated days and prints one table: wall, user and system
# seconds, peak memory and bytes written per case, against the write-only floor
# (bench/write_floor writing the same byte counts into the same folder) and,
# when given, a baseline loopconv.
#
#   scripts/bench.sh [BASELINE]
#
# BASELINE is a loopconv binary or a git revision; a revision is built (release,
# target loopconv) in a temporary git worktree under build/ and its binary kept
# in build/bench-baseline/<commit>/ for the next run.
#
# Cases:
#   a        3000 devices, -E -L -T -A
#   b<N>     N devices, -E, for N in 1000 3000 10000 30000 ("b" is all four)
#   c        8 files of 1000 devices, -E -L -T -A, --jobs=1 and --jobs=2
#            (the baseline runs without --jobs)
# Environment:
#   BENCH_RUNS=5       rounds; each round runs current, baseline, floor once
#   BENCH_CASES="a b c"  cases to run, e.g. "a b1000 b3000" or "a,c"
#
# Each side reports its fastest round (wall time), with the user and system
# time and peak memory of that round. Generated days are cached in
# build/bench-data/ (keyed by the generator binary); the table is also saved
# to build/bench-results.txt.
set -euo pipefail
export LC_ALL=C
cd "$(dirname "$0")/.."
root=$PWD

runs=${BENCH_RUNS:-5}
case_list=${BENCH_CASES:-a b c}
if ! [[ $runs =~ ^[1-9][0-9]*$ ]]; then
  echo "bench.sh: BENCH_RUNS must be a positive number, not '$runs'" >&2
  exit 2
fi
if [ $# -gt 1 ]; then
  echo "usage: scripts/bench.sh [BASELINE binary or git revision]" >&2
  exit 2
fi

# Output bytes per device, to check free space before a case.
readonly element_bytes_per_device=230000
readonly all_reports_bytes_per_device=430000

note() { echo "bench: $*" >&2; }

# ---------------------------------------------------------------- selection
selected=()
for item in ${case_list//,/ }; do
  case $item in
    a | c | b1000 | b3000 | b10000 | b30000) selected+=("$item") ;;
    b) selected+=(b1000 b3000 b10000 b30000) ;;
    *)
      echo "bench.sh: unknown case '$item' (a, b, b1000, b3000, b10000, b30000, c)" >&2
      exit 2
      ;;
  esac
done
wanted() {
  local item
  for item in "${selected[@]}"; do [ "$item" = "$1" ] && return 0; done
  return 1
}

# ---------------------------------------------------------------- tools
if ! command -v cmake >/dev/null || ! command -v ninja >/dev/null ||
   ! command -v cc >/dev/null || ! [ -x /usr/bin/time ]; then
  scripts/install_deps.sh --bench
fi

work=$root/build/bench-run
load_at_start=$(cut -d' ' -f1-3 /proc/loadavg)
temp_worktree=""
cleanup() {
  rm -rf "$work"
  if [ -n "$temp_worktree" ]; then
    git worktree remove --force "$temp_worktree" 2>/dev/null || rm -rf "$temp_worktree"
    git worktree prune
  fi
}
trap cleanup EXIT

# ---------------------------------------------------------------- baseline
baseline=""
baseline_label="none"
if [ $# -eq 1 ]; then
  if [ -f "$1" ] && [ -x "$1" ]; then
    baseline=$(realpath "$1")
    baseline_label=$1
  elif commit=$(git rev-parse --verify --quiet "$1^{commit}"); then
    baseline=$root/build/bench-baseline/$commit/loopconv
    baseline_label="$1 ($(git rev-parse --short "$commit"))"
    if [ ! -x "$baseline" ]; then
      temp_worktree=$root/build/bench-worktree-${commit:0:12}
      note "building baseline $1 in a temporary worktree"
      rm -rf "$temp_worktree"
      git worktree prune
      git worktree add --quiet --detach "$temp_worktree" "$commit"
      cmake -S "$temp_worktree" -B "$temp_worktree/build" -G Ninja \
        -DCMAKE_BUILD_TYPE=Release >/dev/null
      cmake --build "$temp_worktree/build" -j2 --target loopconv >/dev/null
      mkdir -p "$(dirname "$baseline")"
      cp "$temp_worktree/build/loopconv" "$baseline.part"
      mv "$baseline.part" "$baseline"
      git worktree remove --force "$temp_worktree"
      temp_worktree=""
    fi
  else
    echo "bench.sh: '$1' is neither a loopconv binary nor a git revision" >&2
    exit 2
  fi
fi

# ---------------------------------------------------------------- current
build=$root/build/bench
note "building release binaries in build/bench"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target loopconv loopconv-gen >/dev/null
cc -O2 -Wall -Wextra -o "$build/write_floor" bench/write_floor.c
current=$build/loopconv
gen=$build/loopconv-gen
floor=$build/write_floor

# ---------------------------------------------------------------- data
# Days depend only on the generator and its arguments; a new generator binary
# gets a new cache folder and the older ones are removed.
data_root=$root/build/bench-data
data=$data_root/$(sha256sum "$gen" | cut -c1-16)
mkdir -p "$data"
find "$data_root" -mindepth 1 -maxdepth 1 ! -path "$data" -exec rm -rf {} +

# day DIR DEVICES MM/DD/YYYY: makes sure DIR holds that generated day.
day() {
  local dir=$1 devices=$2 date=$3
  local name=PELMA20Sec_${date:0:2}${date:3:2}${date:6:4}.DAT
  [ -s "$dir/$name" ] && return 0
  note "generating $devices devices for $date"
  mkdir -p "$dir"
  local temp
  temp=$(mktemp -d "$data/gen.XXXXXX")
  "$gen" --devices "$devices" --date "$date" --seed 1 "$temp" >/dev/null
  mv "$temp/$name" "$dir/$name"
  rm -rf "$temp"
}

# ---------------------------------------------------------------- measuring
out=$work/out
log=$work/log
mkdir -p "$out" "$log"

clean_outputs() {
  find "$out" "$log" -mindepth 1 -delete
  sync
}

# Sizes of the files in the output folder, one per line, and their sum.
output_sizes() { find "$out" -maxdepth 1 -type f -printf '%s\n' | sort -n; }
output_bytes() {
  local size sum=0
  while read -r size; do sum=$((sum + size)); done < <(output_sizes)
  echo "$sum"
}

# timed SIDE COMMAND...: runs the command once and keeps, per side, the
# fastest round as "wall user sys peakKB" in best[SIDE]. Returns the
# command's exit status.
declare -A best
timed() {
  local side=$1
  shift
  local start end status=0
  start=$EPOCHREALTIME
  /usr/bin/time -o "$work/time.txt" -f "%U %S %M" "$@" >/dev/null 2>"$work/stderr.txt" ||
    status=$?
  end=$EPOCHREALTIME
  if [ $status -ne 0 ]; then return $status; fi
  local user sys rss wall
  read -r user sys rss < <(tail -n 1 "$work/time.txt")
  wall=$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.3f", e - s }')
  if [ -z "${best[$side]:-}" ] ||
     awk -v w="$wall" -v b="${best[$side]%% *}" 'BEGIN { exit !(w < b) }'; then
    best[$side]="$wall $user $sys $rss"
  fi
}

fail_run() {
  echo "bench.sh: $1 failed with status $2:" >&2
  cat "$work/stderr.txt" >&2
  exit 1
}

# enough_space CASE EXPECTED_BYTES: false (with a note) below 3x the output.
declare -A skipped
enough_space() {
  local free
  free=$(df --output=avail -B1 "$out" | tail -n 1)
  if [ "$free" -lt $(($2 * 3)) ]; then
    skipped[$1]=$(awk -v n="$2" -v f="$free" \
      'BEGIN { printf "skipped: needs %.1f GB free (3x its output), %.1f GB free", 3 * n / 1e9, f / 1e9 }')
    note "$1 ${skipped[$1]}"
    return 1
  fi
}

# measure CASE INPUT BASELINE_ARGS ROW=ARGS...: runs every current row, the
# baseline and the floor in turn, BENCH_RUNS rounds. A row whose binary
# rejects its command line (status 2) is marked n/a and not run again.
declare -A bytes rejected
measure() {
  local case_id=$1 input=$2 base_args=$3
  shift 3
  local rows=("$@") row side args status round sizes=""
  for ((round = 1; round <= runs; ++round)); do
    note "$case_id: round $round/$runs"
    for row in "${rows[@]}"; do
      side=${row%%=*}
      args=${row#*=}
      [ -n "${rejected[$side]:-}" ] && continue
      status=0
      # shellcheck disable=SC2086  # args are option words
      timed "$side" "$current" $args -I"$input/" -O"$out/" -F"$log/" || status=$?
      if [ $status -eq 2 ]; then
        rejected[$side]=1
        note "$side: loopconv $args was refused (status 2)"
      elif [ $status -ne 0 ]; then
        fail_run "loopconv $args" $status
      else
        bytes[$side]=$(output_bytes)
        [ -n "$sizes" ] || sizes=$(output_sizes | tr '\n' ' ')
      fi
      clean_outputs
    done
    if [ -n "$baseline" ]; then
      status=0
      # shellcheck disable=SC2086
      timed "$case_id/base" "$baseline" $base_args -I"$input/" -O"$out/" -F"$log/" ||
        status=$?
      [ $status -eq 0 ] || fail_run "baseline $base_args" $status
      bytes[$case_id/base]=$(output_bytes)
      [ -n "$sizes" ] || sizes=$(output_sizes | tr '\n' ' ')
      clean_outputs
    fi
    if [ -n "$sizes" ]; then
      status=0
      # shellcheck disable=SC2086  # one argument per file size
      timed "$case_id/floor" "$floor" "$out" $sizes || status=$?
      [ $status -eq 0 ] || fail_run "write_floor" $status
      clean_outputs
    fi
  done
  for row in "${rows[@]}"; do
    side=${row%%=*}
    if [ -n "$baseline" ] && [ -n "${bytes[$side]:-}" ] &&
       [ "${bytes[$side]}" != "${bytes[$case_id/base]}" ]; then
      note "$side wrote ${bytes[$side]} bytes, the baseline ${bytes[$case_id/base]}"
    fi
  done
}

# ---------------------------------------------------------------- cases
# Table rows in order: "ROW|CASE|LABEL|PER_GB" (PER_GB: print user s/GB).
table_rows=()

if wanted a; then
  table_rows+=("a|a|a  3000 devices -E -L -T -A|")
  if enough_space a $((3000 * all_reports_bytes_per_device)); then
    day "$data/d3000" 3000 08/18/2021
    measure a "$data/d3000" "-E -L -T -A" "a=-E -L -T -A"
  fi
fi
for devices in 1000 3000 10000 30000; do
  wanted "b$devices" || continue
  table_rows+=("b$devices|b$devices|b  $devices devices -E|yes")
  if enough_space "b$devices" $((devices * element_bytes_per_device)); then
    day "$data/d$devices" "$devices" 08/18/2021
    measure "b$devices" "$data/d$devices" "-E" "b$devices=-E"
  fi
done
if wanted c; then
  table_rows+=("c1|c|c  8x1000 devices --jobs=1|" "c2|c|c  8x1000 devices --jobs=2|")
  if enough_space c $((8 * 1000 * all_reports_bytes_per_device)); then
    for dd in 16 17 18 19 20 21 22 23; do day "$data/m8x1000" 1000 "08/$dd/2021"; done
    measure c "$data/m8x1000" "-E -L -T -A" \
      "c1=-E -L -T -A --jobs=1" "c2=-E -L -T -A --jobs=2"
  fi
fi

# ---------------------------------------------------------------- table
# num FORMAT VALUE: the value in printf FORMAT, or "-" when there is none.
num() {
  if [ -z "$2" ] || [ "$2" = "-" ]; then echo "-"; else awk -v v="$2" -v f="$1" 'BEGIN { printf f, v }'; fi
}
ratio() {
  if [ -z "$2" ] || [ "$2" = "-" ]; then echo "-"; return; fi
  awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'
}

print_table() {
  local commit load
  commit=$(git rev-parse --short HEAD)
  git diff --quiet HEAD -- 2>/dev/null || commit="$commit+changes"
  load=$(cut -d' ' -f1-3 /proc/loadavg)
  echo "loopconv $commit, baseline: $baseline_label, fastest of $runs rounds," \
    "$(date '+%Y-%m-%d %H:%M'), load average at start $load_at_start, at end $load"
  local format='%-30s %7s %6s %6s %7s %8s %7s %6s %7s %6s %9s\n'
  # shellcheck disable=SC2059  # the format is the one above
  printf "$format" case "wall s" "user s" "sys s" "peak MB" "out MB" "floor s" xfloor \
    "base s" xbase "user s/GB"
  local entry row case_id label per_gb wall user sys rss floor_wall base_wall
  for entry in "${table_rows[@]}"; do
    IFS='|' read -r row case_id label per_gb <<<"$entry"
    if [ -n "${skipped[$case_id]:-}" ]; then
      printf '%-30s %s\n' "$label" "${skipped[$case_id]}"
      continue
    fi
    floor_wall=${best[$case_id/floor]:--}
    floor_wall=${floor_wall%% *}
    base_wall=-
    [ -z "$baseline" ] || base_wall=${best[$case_id/base]%% *}
    if [ -n "${rejected[$row]:-}" ]; then
      # shellcheck disable=SC2059
      printf "$format" "$label" n/a n/a n/a n/a n/a "$(num %.2f "$floor_wall")" - \
        "$(num %.2f "$base_wall")" - "refused"
      continue
    fi
    read -r wall user sys rss <<<"${best[$row]}"
    local per_gb_col="-"
    if [ -n "$per_gb" ]; then
      per_gb_col=$(awk -v u="$user" -v b="${bytes[$row]}" 'BEGIN { printf "%.2f", u / (b / 1e9) }')
    fi
    # shellcheck disable=SC2059
    printf "$format" "$label" "$(num %.2f "$wall")" "$(num %.2f "$user")" \
      "$(num %.2f "$sys")" "$(num %.0f "$(awk -v k="$rss" 'BEGIN { print k * 1024 / 1e6 }')")" \
      "$(num %.1f "$(awk -v b="${bytes[$row]}" 'BEGIN { print b / 1e6 }')")" \
      "$(num %.2f "$floor_wall")" "$(ratio "$wall" "$floor_wall")" \
      "$(num %.2f "$base_wall")" "$(ratio "$wall" "$base_wall")" \
      "$per_gb_col"
  done
}

print_table | tee "$root/build/bench-results.txt"
