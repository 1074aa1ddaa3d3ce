#!/usr/bin/env bash
# Makes the application icon that desktops and app launchers show, from its source
# tools/art/app/AppIcon.svg: the scalable SVG and 128 and 256 pixel PNGs, laid out as the
# hicolor icon theme wants them (data/icons/hicolor/<size>/apps/<application id>.<ext>).
#
# Usage: tools/make_icons.sh [output folder]   (default: data/icons/hicolor of this repository)
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
out=${1:-$here/../data/icons/hicolor}
id=org.example.soundboard.Soundboard
source=$here/art/app/AppIcon.svg

command -v rsvg-convert >/dev/null ||
    { echo "make_icons: rsvg-convert is not installed (Debian: librsvg2-bin)" >&2; exit 1; }

mkdir -p "$out/scalable/apps"
cp "$source" "$out/scalable/apps/$id.svg"
echo "made scalable/apps/$id.svg"
for size in 128 256; do
    mkdir -p "$out/${size}x$size/apps"
    rsvg-convert --width "$size" --height "$size" "$source" -o "$out/${size}x$size/apps/$id.png"
    echo "made ${size}x$size/apps/$id.png"
done
