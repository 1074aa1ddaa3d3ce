#!/usr/bin/env bash
# Renders the board's images from the SVG sources in tools/art/ into Resources/: "<name>.png"
# at the SVG's own size in points, and "<name>@2x.png" at twice that for dense screens.
# The title image holds text, drawn in Liberation Sans Bold (Debian: fonts-liberation2).
#
# Usage: tools/make_images.sh [output folder]   (default: Resources/ of this repository)
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
out=${1:-$here/../Resources}

command -v rsvg-convert >/dev/null ||
    { echo "make_images: rsvg-convert is not installed (Debian: librsvg2-bin)" >&2; exit 1; }
# Without the font, the text would silently come out in some other face.
if ! fc-list ':family=Liberation Sans:style=Bold' | grep -q .; then
    echo "make_images: the font Liberation Sans Bold is missing (Debian: fonts-liberation2)" >&2
    exit 1
fi

mkdir -p "$out"
for svg in "$here"/art/*.svg; do
    name=$(basename "$svg" .svg)
    rsvg-convert --zoom 1 "$svg" -o "$out/$name.png"
    rsvg-convert --zoom 2 "$svg" -o "$out/$name@2x.png"
    echo "made $name.png and $name@2x.png"
done
