#!/usr/bin/env bash
# Installs with apt-get whatever a fresh machine lacks for building and testing.
set -euo pipefail
need=()
command -v cmake >/dev/null || need+=(cmake)
command -v ninja >/dev/null || need+=(ninja-build)
command -v g++ >/dev/null || need+=(g++)
command -v python3 >/dev/null || need+=(python3)
[ -f /usr/include/gtest/gtest.h ] || need+=(googletest libgtest-dev)
[ -f /usr/include/zlib.h ] || need+=(zlib1g-dev)
[ -f /usr/include/libdeflate.h ] || need+=(libdeflate-dev)
[ -f /usr/include/zstd.h ] || need+=(libzstd-dev)
if [ "${1:-}" = "--bench" ]; then
  [ -f /usr/include/benchmark/benchmark.h ] || need+=(libbenchmark-dev)
  # scripts/bench.sh: /usr/bin/time for user, system time and peak memory; cc
  # for bench/write_floor.c.
  [ -x /usr/bin/time ] || need+=(time)
  command -v cc >/dev/null || need+=(gcc)
fi
if [ "${1:-}" = "--fuzz" ]; then
  # scripts/fuzz.sh: clang with its libFuzzer and sanitizer runtimes; libxml2
  # for the harness that checks the picture (the program does not use it).
  command -v clang++ >/dev/null || need+=(clang)
  ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1 ||
    need+=(libclang-rt-dev)
  [ -f /usr/include/libxml2/libxml/parser.h ] || need+=(libxml2-dev)
fi
if [ ${#need[@]} -gt 0 ]; then
  echo "Installing: ${need[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q "${need[@]}"
fi
