#!/bin/sh
# scripts/render_picture.sh refuses what it cannot render with one line on
# standard error and status 1, before it starts (or installs) a browser.
set -u
script=$(dirname "$0")/../../scripts/render_picture.sh
work=$(mktemp -d "${TMPDIR:-/tmp}/render_errors.XXXXXX")
trap 'rm -rf "$work"' EXIT
echo "not a picture" >"$work/notes.txt"
echo "not xml <" >"$work/broken.svg"
gzip -c "$work/broken.svg" >"$work/broken.svg.gz"
echo "not gzip" >"$work/fake.svg.gz"
failed=0
check() {  # FILE EXPECTED-TEXT
  sh "$script" "$1" "$work/out.png" >"$work/stdout" 2>"$work/stderr"
  status=$?
  lines=$(wc -l <"$work/stderr")
  if [ "$status" -ne 1 ] || [ "$lines" -ne 1 ] || ! grep -q "$2" "$work/stderr" ||
     [ -e "$work/out.png" ]; then
    echo "FAIL $1: status $status, stderr:" >&2
    cat "$work/stderr" >&2
    failed=1
  fi
}
check "$work/notes.txt" "not a picture (.svg, .svg.gz or .svg.zst)"
check "$work/broken.svg" "not an SVG picture"
check "$work/broken.svg.gz" "not an SVG picture"
check "$work/fake.svg.gz" "not a gzip file"
check "$work/missing.svg" "no such file"
exit $failed
