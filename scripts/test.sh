#!/usr/bin/env bash
# Builds the normal and the sanitizer (ASan + UBSan) configurations and runs
# every test in both, then builds the fuzz harnesses and runs each for 20
# seconds (scripts/fuzz.sh). With LOOPCONV_TSAN_TESTS=1 it also runs the
# threaded tests in a ThreadSanitizer build. Installs what a fresh machine
# lacks.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install_deps.sh
bash scripts/check_layers.sh

werror=OFF
[ "${CI:-}" = "true" ] && werror=ON
jobs=$(nproc)

cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLOOPCONV_WERROR=$werror
cmake --build build/release -j "$jobs"
cmake -S . -B build/sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DLOOPCONV_SANITIZE=ON -DLOOPCONV_WERROR=$werror
cmake --build build/sanitize -j "$jobs"

echo "== tests (release)"
ctest --test-dir build/release --output-on-failure -j "$jobs"
echo "== tests (ASan + UBSan)"
ctest --test-dir build/sanitize --output-on-failure -j "$jobs"
echo "== the programs alone (-DLOOPCONV_TESTS=OFF), installed into a scratch prefix"
bash scripts/check_install.sh
echo "== fuzz harnesses (20 s each)"
bash scripts/fuzz.sh 20

# The threaded tests (background writes, outputs side by side, --jobs, the
# thread budget, interrupts and the folder lock, each through the built
# program) under ThreadSanitizer. A build of its own: left out by default,
# since with it the whole script no longer stays within 15 minutes on the
# 2-core machine (see README, Testing).
if [ "${LOOPCONV_TSAN_TESTS:-0}" = "1" ]; then
  echo "== threaded tests (ThreadSanitizer)"
  cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLOOPCONV_TSAN=ON
  cmake --build build/tsan -j "$jobs"
  threaded='BackgroundWriterTest.*:OutputFileTest.*:ForEachInParallelTest.*:ThreadBudgetTest.*'
  threaded+=':DateClaimsTest.*:FolderLockTest.*:ParallelRunTest.*:CompressedRunTest.*'
  threaded+=':SharedFolderRunTest.*:InterruptRunTest.*:ReportPipelineTest.*'
  TSAN_OPTIONS=halt_on_error=1 build/tsan/loopconv_tests --gtest_filter="$threaded"
fi
