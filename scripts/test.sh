#!/usr/bin/env bash
# Builds the normal and the sanitizer (ASan + UBSan) configurations and runs
# every test in both. Installs what a fresh machine lacks.
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
