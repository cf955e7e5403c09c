#!/bin/sh
# Renders an HTML page (a day page or Index.html) to a PNG of the whole page
# with headless chromium, in a window WIDTH pixels wide.
#
#   scripts/render_page.sh HTML PNG WIDTH
#
# Prints the PNG's path, its size, and how long the page took to load and
# lay out in the browser (from its own clock, without the browser's start).
# Installs Debian's chromium package with apt-get when /usr/bin/chromium is
# missing (as root). Every run uses a fresh, throw-away browser profile.
set -eu

if [ "$#" -ne 3 ]; then
  echo "usage: $0 HTML PNG WIDTH" >&2
  exit 2
fi
html=$1
png=$2
width=$3
case "$width" in
  ''|*[!0-9]*) echo "$0: WIDTH must be a number of pixels, not: $width" >&2; exit 2 ;;
esac
if [ ! -f "$html" ]; then
  echo "$0: no such file: $html" >&2
  exit 1
fi

chromium=/usr/bin/chromium
if [ ! -x "$chromium" ]; then
  echo "$0: installing chromium" >&2
  apt-get update >/dev/null
  DEBIAN_FRONTEND=noninteractive apt-get install -y chromium >/dev/null
fi

absolute_html=$(realpath "$html")
case "$png" in
  /*) absolute_png=$png ;;
  *) absolute_png=$(pwd)/$png ;;
esac
rm -f "$absolute_png"

work=$(mktemp -d "${TMPDIR:-/tmp}/render_page.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM

run_chromium() {
  rm -rf "$work/profile"
  timeout 180 "$chromium" --headless --no-sandbox --disable-gpu --disable-quic \
    --no-first-run --disable-background-networking --disable-component-update \
    --disable-sync --hide-scrollbars --user-data-dir="$work/profile" "$@" 2>/dev/null
}

# First the page's height at this width, and its load time: a copy of the
# page beside the original (so that it reads as the original does) with a
# few lines appended that put both into the title once the page has loaded.
probe=$(dirname "$absolute_html")/.render_probe_$$.html
cp "$absolute_html" "$probe"
cat >>"$probe" <<'PROBE'
<script>addEventListener("load",function(){
document.title="HEIGHT="+document.documentElement.scrollHeight+" LOADMS="+Math.round(performance.now());});</script>
PROBE
dom=$(run_chromium --window-size="$width,800" --dump-dom "file://$probe" || true)
rm -f "$probe"
height=$(printf '%s' "$dom" | sed -n 's/.*HEIGHT=\([0-9]*\).*/\1/p' | head -n 1)
loadms=$(printf '%s' "$dom" | sed -n 's/.*LOADMS=\([0-9]*\).*/\1/p' | head -n 1)
[ -n "$height" ] || height=2000
[ "$height" -le 30000 ] || height=30000

run_chromium --screenshot="$absolute_png" --window-size="$width,$height" \
  "file://$absolute_html" >/dev/null || true

if [ ! -s "$absolute_png" ]; then
  echo "$0: chromium wrote no picture to $absolute_png" >&2
  exit 1
fi
echo "$absolute_png (${width}x${height}) loaded in ${loadms:-?} ms"
