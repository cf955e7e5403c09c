#!/bin/sh
# Renders a speed picture (Picture_YYYY-MM-DD.svg) to a PNG with headless
# chromium, the window sized to the picture. Reads .svg, and .svg.gz or
# .svg.zst (compressed by hand: loopconv writes pictures uncompressed).
#
#   scripts/render_picture.sh SVG PNG
#
# Installs Debian's chromium package with apt-get when /usr/bin/chromium is
# missing (as root). Every run uses a fresh, throw-away browser profile.
set -eu

if [ "$#" -ne 2 ]; then
  echo "usage: $0 SVG PNG" >&2
  exit 2
fi
svg=$1
png=$2
if [ ! -f "$svg" ]; then
  echo "$0: no such file: $svg" >&2
  exit 1
fi
case "$svg" in
  *.svg | *.svg.gz | *.svg.zst) ;;
  *)
    echo "$0: not a picture (.svg, .svg.gz or .svg.zst): $svg" >&2
    exit 1
    ;;
esac
if [ "${svg%.zst}" != "$svg" ] && ! command -v zstd >/dev/null; then
  echo "$0: reading $svg needs zstd (apt-get install zstd)" >&2
  exit 1
fi

profile=$(mktemp -d "${TMPDIR:-/tmp}/render_picture.XXXXXX")
trap 'rm -rf "$profile"' EXIT INT TERM

# The picture as plain SVG, in the throw-away folder when it is compressed.
case "$svg" in
  *.svg) plain=$(realpath "$svg") ;;
  *.svg.gz) plain=$profile/picture.svg; gzip -dc -- "$svg" >"$plain" 2>/dev/null ||
    { echo "$0: not a gzip file: $svg" >&2; exit 1; } ;;
  *.svg.zst) plain=$profile/picture.svg; zstd -dcq -- "$svg" >"$plain" 2>/dev/null ||
    { echo "$0: not a zstd file: $svg" >&2; exit 1; } ;;
esac

# The window takes the picture's own width and height (its root element's
# attributes); a picture without them gets a plain 1200 x 800.
size=$(python3 - "$plain" "$svg" <<'EOF'
import sys, xml.dom.minidom, xml.parsers.expat
try:
    root = xml.dom.minidom.parse(sys.argv[1]).documentElement
except (xml.parsers.expat.ExpatError, UnicodeDecodeError) as error:
    sys.exit("render_picture.sh: not an SVG picture: %s (%s)" % (sys.argv[2], error))
def number(name, default):
    try:
        return max(1, int(float(root.getAttribute(name))))
    except ValueError:
        return default
print("%d,%d" % (number("width", 1200), number("height", 800)))
EOF
)

chromium=/usr/bin/chromium
if [ ! -x "$chromium" ]; then
  echo "$0: installing chromium" >&2
  apt-get update >/dev/null
  DEBIAN_FRONTEND=noninteractive apt-get install -y chromium >/dev/null
fi

case "$png" in
  /*) absolute_png=$png ;;
  *) absolute_png=$(pwd)/$png ;;
esac

timeout 180 "$chromium" --headless --no-sandbox --disable-gpu --disable-quic \
  --no-first-run --disable-background-networking --disable-component-update \
  --disable-sync --hide-scrollbars --user-data-dir="$profile/chromium" \
  --screenshot="$absolute_png" --window-size="$size" \
  "file://$plain" >/dev/null 2>&1 || true

if [ ! -s "$absolute_png" ]; then
  echo "$0: chromium wrote no picture to $absolute_png" >&2
  exit 1
fi
echo "$absolute_png ($size)"
