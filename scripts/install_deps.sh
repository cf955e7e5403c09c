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
# The manual page (loopconv.1, made from --help at build time).
command -v help2man >/dev/null || need+=(help2man)
# The test of the documentation's examples (scripts/doc_examples.mjs).
command -v node >/dev/null || need+=(nodejs)
command -v npm >/dev/null || need+=(npm)
# The day pages: their summary block as JSON; tidy validates them in the
# tests, chromium renders them (scripts/render_page.sh).
[ -f /usr/include/nlohmann/json.hpp ] || need+=(nlohmann-json3-dev)
command -v tidy >/dev/null || need+=(tidy)
[ -x /usr/bin/chromium ] || need+=(chromium)
/usr/bin/python3 -c "import PIL" 2>/dev/null || need+=(python3-pil)
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
# DuckDB's Node.js client for the documentation's examples, from npm.
bash "$(dirname "$0")/install_node_deps.sh"
