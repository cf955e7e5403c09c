#!/usr/bin/env bash
# Builds the libFuzzer harnesses of fuzz/ (clang, ASan + UBSan) and runs each
# on its seed corpus (every seed once, then an empty corpus, then SECONDS of
# fuzzing from the seeds; default 60). Prints one line per harness:
#   <harness>: <runs> runs, <n> exec/s, ok (cov <edges>)
# or what failed, and fails on any crash, leak, timeout or failed check. The
# committed corpus is never changed: the fuzzing works on a copy, and the
# inputs that failed are kept in build/fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
bash scripts/install_deps.sh --fuzz

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
harnesses=(data_file_fuzzer cabinet_list_fuzzer command_line_fuzzer)
cmake -S . -B build/fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DLOOPCONV_SANITIZE=ON -DLOOPCONV_FUZZ=ON "${launcher[@]}" >/dev/null
cmake --build build/fuzz -j "$(nproc)" --target "${harnesses[@]}"

artifacts=$PWD/build/fuzz/artifacts
mkdir -p "$artifacts"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
for harness in "${harnesses[@]}"; do
  binary=build/fuzz/$harness
  seeds=fuzz/corpus/$harness
  options=(-timeout=30 -rss_limit_mb=4096 -artifact_prefix="$artifacts/$harness-")
  case $harness in
    data_file_fuzzer) options+=(-dict=fuzz/data_file.dict -max_len=4096) ;;
    cabinet_list_fuzzer) options+=(-max_len=8192) ;;
    command_line_fuzzer) options+=(-max_len=512) ;;
  esac
  log=$work/$harness.log
  mkdir -p "$work/$harness" "$work/$harness-empty"
  cp "$seeds"/* "$work/$harness/"
  if ! "$binary" "${options[@]}" "$seeds"/* >"$log" 2>&1; then
    echo "$harness: FAILED on its seed corpus"; tail -n 30 "$log"; failed=1; continue
  fi
  if ! "$binary" "${options[@]}" -runs=200 "$work/$harness-empty" >"$log" 2>&1; then
    echo "$harness: FAILED on an empty corpus"; tail -n 30 "$log"; failed=1; continue
  fi
  if ! "$binary" "${options[@]}" -max_total_time="$seconds" -print_final_stats=1 \
      "$work/$harness" >"$log" 2>&1; then
    echo "$harness: FAILED while fuzzing (input kept in $artifacts)"; tail -n 40 "$log"
    failed=1; continue
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1 | cut -d' ' -f2)
  echo "$harness: $runs runs, $speed exec/s, ok (cov $cov)"
done
exit $failed
