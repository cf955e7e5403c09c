#!/usr/bin/env bash
# Builds the programs alone (-DLOOPCONV_TESTS=OFF, no GoogleTest), installs
# them into a scratch prefix and checks what lands there: the two programs,
# the manual page made from --help, and the documentation.
#
#   scripts/check_install.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/install-check}
prefix=$(mktemp -d "${TMPDIR:-/tmp}/loopconv-prefix.XXXXXX")
trap 'rm -rf "$prefix"' EXIT

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
# The release build's flags, so that ccache has the objects already.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLOOPCONV_TESTS=OFF \
  "${launcher[@]}" >/dev/null
cmake --build "$build" -j "$(nproc)" >/dev/null
cmake --install "$build" --prefix "$prefix" >/dev/null

fail() { echo "check_install: $*" >&2; exit 1; }
if grep -q '^GTest_DIR:' "$build/CMakeCache.txt" ||
   [ -e "$build/loopconv_tests" ]; then
  fail "a build with -DLOOPCONV_TESTS=OFF looked for GoogleTest or built the tests"
fi
for file in bin/loopconv bin/loopconv-gen share/man/man1/loopconv.1.gz \
            share/doc/loopconv/README.md share/doc/loopconv/reports.md; do
  [ -s "$prefix/$file" ] || fail "missing after install: $file"
done
"$prefix/bin/loopconv" --version | grep -q '^loopconv ' || fail "loopconv --version"
page=$(zcat "$prefix/share/man/man1/loopconv.1.gz" | sed 's/\\-/-/g')
for option in recursive skip-done summary rollup health picture compress jobs; do
  grep -q -- "--$option" <<<"$page" || fail "the manual page lacks --$option"
done
grep -q '^\.SH SYNOPSIS' <<<"$page" || fail "the manual page has no SYNOPSIS"
if command -v man >/dev/null; then
  MANPAGER=cat man -l "$prefix/share/man/man1/loopconv.1.gz" >/dev/null 2>&1 ||
    fail "man cannot read the manual page"
fi
echo "check_install: programs, manual page and documentation installed into a scratch prefix"
