#!/bin/sh
# Draws the window's pictures with ImageMagick: the toolbar strip (nine
# 16 x 15 images), the About picture (237 x 120) and the window icon, each
# also drawn at twice the size for screens at scale 2 (NAME@2x.png: the
# same drawing scaled as vectors, not the small bitmap enlarged).
# The PNG files are committed; run this again only to change them.
set -eu
cd "$(dirname "$0")"
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT
BG="none"
icon() {
    convert -size "$((16 * S))x$((15 * S))" "xc:$BG" -affine "$S,0,0,$S,0,0" "$@" \
        "$T/$(printf '%02d' $N).png"
    N=$((N + 1))
}
# toolbar S OUT: the nine images at scale S into OUT.
toolbar() {
S=$1
N=0
rm -f "$T"/0*.png
# New: a blank page with a folded corner.
icon -fill white -stroke black -draw "polygon 3,1 10,1 13,4 13,13 3,13" \
     -fill "#c0c0c0" -draw "polygon 10,1 10,4 13,4"
# Open: a yellow folder.
icon -fill "#e8c000" -stroke black -draw "polygon 1,4 5,4 6,3 9,3 9,4 12,4 12,13 1,13" \
     -fill "#fff080" -draw "polygon 3,7 15,7 12,13 1,13"
# Save: a floppy disk.
icon -fill "#2050a0" -stroke black -draw "rectangle 2,1 13,13" \
     -fill white -stroke none -draw "rectangle 4,2 11,6" \
     -fill "#808080" -draw "rectangle 5,9 10,13" -fill "#2050a0" -draw "rectangle 6,10 7,12"
# Add: a green plus.
icon -fill "#008000" -stroke none -draw "rectangle 6,2 9,12" -draw "rectangle 2,6 13,8"
# Delete: a red cross.
icon -stroke "#c00000" -strokewidth 3 -draw "line 3,2 12,12" -draw "line 12,2 3,12"
# Play: a green triangle.
icon -fill "#00a000" -stroke black -draw "polygon 4,2 12,7 4,12"
# Stop: a dark red square.
icon -fill "#a00000" -stroke black -draw "rectangle 3,3 11,11"
# Make File: a page with a K on it.
icon -fill white -stroke black -draw "rectangle 2,1 13,13" \
     -stroke "#004080" -strokewidth 2 -draw "line 5,3 5,11" -draw "line 6,7 10,3" \
     -draw "line 7,7 11,11"
# About: a blue circle with a question mark.
icon -fill "#2050c0" -stroke black -draw "circle 7,7 7,1" \
     -fill white -stroke none -font DejaVu-Sans-Bold -pointsize 10 -gravity center \
     -annotate +0+0 "?"
# The large images are not dithered: their edges stay clean.
DITHER=""
[ "$S" = 1 ] || DITHER="+dither"
convert "$T"/0*.png +append +repage $DITHER -type Palette -colors 16 "PNG8:$2"
}
toolbar 1 toolbar.png
toolbar 2 toolbar@2x.png

# The About picture: a waveform over a dark gradient with the name.
# scaled PATH: the path's x,y points multiplied by S. (A stroked path is
# closed back to its start at large sizes unless it ends with a move.)
scaled() {
    echo "$1" | awk -v s="$S" '{ for (i = 1; i <= NF; i++) if ($i ~ /^[0-9]+,[0-9]+$/) {
        split($i, p, ","); $i = p[1] * s "," p[2] * s } print }'
}
about() {
S=$1
convert -size "$((237 * S))x$((120 * S))" gradient:"#10204a"-"#3a6ab0" \
    -stroke "#70e0ff" -fill none \
    -strokewidth "$((2 * S))" \
    -draw "path '$(scaled 'M 8,86 Q 20,58 32,86 T 56,86 T 80,86 T 104,86 T 128,86 T 152,86 T 176,86 T 200,86 T 229,86 M 229,86')'" \
    -stroke "#ffd040" \
    -strokewidth "$S" \
    -draw "path '$(scaled 'M 8,96 L 20,104 L 32,92 L 44,108 L 56,96 L 68,102 L 80,94 L 92,106 L 104,96 L 116,100 L 128,94 L 140,104 L 152,96 L 164,102 L 176,96 L 188,104 L 200,96 L 212,100 L 229,96')'" \
    -stroke none -fill white -font DejaVu-Sans-Bold -pointsize "$((26 * S))" \
    -annotate "+$((14 * S))+$((40 * S))" "Dorvane V2" \
    -fill "#c8dcff" -font DejaVu-Sans -pointsize "$((10 * S))" \
    -annotate "+$((16 * S))+$((58 * S))" "WAV files into KRZ objects" \
    -type Palette "PNG8:$2"
}
about 1 about.png
about 2 about@2x.png

# The window icon: a waveform in a rounded square.
convert -size 32x32 xc:none -fill "#2050a0" -stroke "#0a1a40" \
    -draw "roundrectangle 1,1 30,30 6,6" -stroke "#70e0ff" -strokewidth 2 -fill none \
    -draw "path 'M 4,16 Q 8,4 12,16 T 20,16 T 28,16'" dorvane.png
