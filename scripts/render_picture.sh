#!/bin/sh
# Renders a speed picture (Picture_YYYY-MM-DD.svg) to a PNG with headless
# chromium, the window sized to the picture.
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

chromium=/usr/bin/chromium
if [ ! -x "$chromium" ]; then
  echo "$0: installing chromium" >&2
  apt-get update >/dev/null
  DEBIAN_FRONTEND=noninteractive apt-get install -y chromium >/dev/null
fi

# The window takes the picture's own width and height (its root element's
# attributes); a picture without them gets a plain 1200 x 800.
size=$(python3 - "$svg" <<'EOF'
import sys, xml.dom.minidom
root = xml.dom.minidom.parse(sys.argv[1]).documentElement
def number(name, default):
    try:
        return max(1, int(float(root.getAttribute(name))))
    except ValueError:
        return default
print("%d,%d" % (number("width", 1200), number("height", 800)))
EOF
)

absolute_svg=$(realpath "$svg")
case "$png" in
  /*) absolute_png=$png ;;
  *) absolute_png=$(pwd)/$png ;;
esac

profile=$(mktemp -d "${TMPDIR:-/tmp}/render_picture.XXXXXX")
trap 'rm -rf "$profile"' EXIT INT TERM

timeout 180 "$chromium" --headless --no-sandbox --disable-gpu --disable-quic \
  --no-first-run --disable-background-networking --disable-component-update \
  --disable-sync --hide-scrollbars --user-data-dir="$profile" \
  --screenshot="$absolute_png" --window-size="$size" \
  "file://$absolute_svg" >/dev/null 2>&1 || true

if [ ! -s "$absolute_png" ]; then
  echo "$0: chromium wrote no picture to $absolute_png" >&2
  exit 1
fi
echo "$absolute_png ($size)"
