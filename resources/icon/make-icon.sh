#!/bin/sh
# Regenerates resources/app.ico, the icon of Hotkey Settings, from the
# pictures in this directory:
#   fn-key-48.mvg, fn-key-32.mvg  key cap drawn with ImageMagick primitives
#   fn-key-16.xpm                 the same key cap, pixel by pixel
#
# The icon holds nine images: 16x16, 32x32 and 48x48, each with 16 colours
# (4 bits per pixel), 256 colours (8 bits per pixel) and 32-bit colour with
# alpha.  The paletted images get a plain on/off transparency, as the icon's
# AND mask can only express that.
#
# Needs ImageMagick 6 (convert) and icoutils (icotool).
# Usage: make-icon.sh [output.ico]   (default: resources/app.ico, found
#                                     relative to this script)
set -eu

here=$(cd "$(dirname "$0")" && pwd)
out=${1:-"$(cd "$here/.." && pwd)/app.ico"}

# Some systems put other programs called "convert" earlier on PATH; use
# ImageMagick's explicitly.
convert=${CONVERT:-/usr/bin/convert}
if ! "$convert" -version 2>/dev/null | grep -q ImageMagick; then
    convert=$(command -v convert || true)
    if [ -z "$convert" ] || ! "$convert" -version 2>/dev/null | grep -q ImageMagick; then
        echo "make-icon.sh: ImageMagick's convert not found" >&2
        exit 1
    fi
fi
command -v icotool >/dev/null 2>&1 || {
    echo "make-icon.sh: icotool (icoutils) not found" >&2
    exit 1
}

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
trap 'exit 1' HUP INT TERM

# Write PNGs without timestamps or other metadata.
clean='-strip +set date:create +set date:modify'

# The vector pictures are drawn 8 times larger and then averaged down, which
# anti-aliases them evenly.  The drawing commands are handed over as text
# (not as @file) so that restrictive ImageMagick policies do not get in the way.
oversample=8
draw_mvg() { # size source.mvg output.png
    big=$(($1 * oversample))
    # shellcheck disable=SC2086
    "$convert" -size "${big}x${big}" xc:none \
        -draw "scale $oversample,$oversample
$(cat "$2")" \
        -scale "$1x$1" $clean "PNG32:$3"
}

# Paletted variant: pixels at least half opaque become fully opaque, the rest
# fully transparent (and black, which is what the AND mask expects), then the
# colours are reduced without dithering to keep the edges clean.
paletted() { # colours input.png output.png
    # shellcheck disable=SC2086
    "$convert" "$2" -channel A -threshold 50% +channel \
        -background black -alpha background \
        -dither None -colors "$1" $clean "PNG32:$3"
}

draw_mvg 48 "$here/fn-key-48.mvg" "$tmp/48-32.png"
draw_mvg 32 "$here/fn-key-32.mvg" "$tmp/32-32.png"
# shellcheck disable=SC2086
"$convert" "$here/fn-key-16.xpm" $clean "PNG32:$tmp/16-32.png"

for s in 16 32 48; do
    paletted 16 "$tmp/$s-32.png" "$tmp/$s-4.png"
    paletted 256 "$tmp/$s-32.png" "$tmp/$s-8.png"
done

icotool --create --output="$tmp/app.ico" \
    -b 4 "$tmp/16-4.png" -b 8 "$tmp/16-8.png" -b 32 "$tmp/16-32.png" \
    -b 4 "$tmp/32-4.png" -b 8 "$tmp/32-8.png" -b 32 "$tmp/32-32.png" \
    -b 4 "$tmp/48-4.png" -b 8 "$tmp/48-8.png" -b 32 "$tmp/48-32.png"

mv -f "$tmp/app.ico" "$out"
echo "wrote $out"
icotool --list "$out"
