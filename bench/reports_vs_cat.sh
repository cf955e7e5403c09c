#!/usr/bin/env bash
# Writes the four reports of the synthetic day (bench/reports_bench.cc) into a
# folder on the given disk, then copies each file with cat on the same disk,
# so that the writers' speed can be read against the disk's.
#   bench/reports_vs_cat.sh [build folder] [work folder]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/bench}
work=${2:-$build/reports_bench_out}

if [ ! -x "$build/reports_bench" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLOOPCONV_BENCHMARKS=ON
  cmake --build "$build" --target reports_bench
fi
rm -rf "$work"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT

# Each report from a synced disk, then its copy from a synced disk, so that
# neither meets the other's unwritten pages.
for report in Element Lane Trap Contents; do
  sync
  LOOPCONV_BENCH_DIR="$work" "$build/reports_bench" --benchmark_filter="BM_${report}Report" \
    2>/dev/null | grep '^BM_'
  file=$(ls "$work"/PELMA20Sec_"${report%s}"*.csv)
  sync
  bytes=$(stat -c %s "$file")
  start=$(date +%s.%N)
  cat "$file" > "$work/copy.tmp"
  end=$(date +%s.%N)
  rm -f "$work/copy.tmp" "$file"
  awk -v n="$(basename "$file")" -v b="$bytes" -v s="$start" -v e="$end" \
    'BEGIN { t = e - s; printf "cat %-36s %8.1f MB %8.3f s %8.1f MB/s\n", n, b / 1e6, t, b / 1e6 / t }'
done
