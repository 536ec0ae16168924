#!/usr/bin/env bash
# Regenerates Kestrune's artwork (splash screen, program icon, button
# pictures) into the images/ folder next to this script.
#
# Needs ImageMagick's `convert` and the DejaVu fonts. Every picture is drawn
# from vector primitives on a large canvas and scaled down, so edges come out
# smooth. Metadata that would change between runs (timestamps, EXIF, text
# chunks) is left out, so running the script again gives the same bytes.
#
# Usage: resources/make-art.sh
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
out="$here/images"

font_dir=${KESTRUNE_FONT_DIR:-/usr/share/fonts/truetype/dejavu}
font_bold="$font_dir/DejaVuSans-Bold.ttf"
font_regular="$font_dir/DejaVuSans.ttf"

# Palette shared by all pictures.
ink='#263445'     # outlines
paper='#f4f7fa'   # sheets, box faces
slate='#243a5e'   # dark end of the brand gradient
teal='#1a8c84'    # light end of the brand gradient
green='#35a35a'
red='#d8443e'
amber='#f2b01e'
blue='#3c8bdc'
sky='#78b8ee'
wood='#f3d7a6'

# The emblem: a kestrel in flight whose tail is a key blade. Drawn in a
# 200 x 200 box; its visual centre is at (100,109).
emblem_path="path 'M 100,24 C 108,24 113,30 113,38 C 113,44 111,50 112,58
  C 124,52 138,44 152,42 C 170,50 186,66 198,88 C 182,76 166,72 150,72
  C 136,78 124,88 114,100 L 110,114 L 110,148 L 124,148 L 124,158 L 110,158
  L 110,166 L 120,166 L 120,176 L 110,176 L 110,186 L 100,194 L 90,186
  L 90,114 L 86,100 C 76,88 64,78 50,72 C 34,72 18,76 2,88
  C 14,66 30,50 48,42 C 62,44 76,52 88,58 C 89,50 87,44 87,38
  C 87,30 92,24 100,24 Z'"

# MVG that draws the emblem centred on (x,y), scaled by s (1 = 200 px wide).
emblem() {
    local x=$1 y=$2 s=$3
    printf 'push graphic-context\ntranslate %s,%s\nscale %s,%s\ntranslate -100,-109\n%s\npop graphic-context\n' \
        "$x" "$y" "$s" "$s" "$emblem_path"
}

# Options that keep PNG output free of run-dependent data.
png_opts=(-strip -define png:exclude-chunk=all
          +set date:create +set date:modify)

die() { echo "make-art.sh: $*" >&2; exit 1; }

check_tools() {
    command -v convert >/dev/null || die "ImageMagick 'convert' not found"
    [[ -r $font_bold && -r $font_regular ]] || die "DejaVu fonts not found in $font_dir"
}

# ---------------------------------------------------------------- splash --

splash() {
    local w=476 h=316 s=2   # drawn at twice the size, then halved
    local W=$((w * s)) H=$((h * s))

    convert -size "${W}x${H}" -define gradient:angle=120 \
        "gradient:#1b2944-#17736f" \
        -fill 'rgba(255,255,255,0.05)' -stroke none \
        -draw "circle $((400 * s)),$((40 * s)) $((400 * s)),$((250 * s))" \
        -draw "circle $((440 * s)),$((330 * s)) $((440 * s)),$((450 * s))" \
        -fill 'rgba(255,255,255,0.04)' \
        -draw "circle $((60 * s)),$((300 * s)) $((60 * s)),$((390 * s))" \
        \( +clone -alpha transparent -fill 'rgba(0,0,0,0.45)' \
           -draw "$(emblem $((100 * s + 6)) $((152 * s + 8)) 1.4)" \
           -blur 0x10 \) -compose Over -composite \
        -fill white -draw "$(emblem $((100 * s)) $((152 * s)) 1.4)" \
        -fill white -font "$font_bold" -pointsize $((50 * s)) \
        -annotate +$((186 * s))+$((150 * s)) 'Kestrune' \
        -fill 'rgba(255,255,255,0.35)' \
        -draw "rectangle $((190 * s)),$((170 * s)) $((444 * s)),$((170 * s + 1))" \
        -fill '#c3e6e2' -font "$font_regular" -pointsize $((20 * s)) \
        -annotate +$((190 * s))+$((202 * s)) 'Password keeper' \
        -fill '#94c4c0' -pointsize $((14 * s)) \
        -annotate +$((190 * s))+$((228 * s)) 'Version 1.0' \
        -resize "${w}x${h}!" \
        -strip +set date:create +set date:modify -quality 90 -sampling-factor 4:2:0 \
        "$out/splash.jpg"
}

# ------------------------------------------------------------------ icon --

# Draws the program icon at a given size: a rounded square in the brand
# gradient with the white emblem on it. margin and radius are in pixels of
# the 256 px design; zoom is the emblem's scale on the 1024 px drawing canvas
# (4.0 makes it 200 px wide at 256). Small sizes get less margin and a larger
# emblem so that it stays readable.
icon() {
    local size=$1 file=$2 margin=$3 radius=$4 zoom=$5
    local N=1024 k=4    # drawn at 1024 px, then reduced
    local lo=$((margin * k)) hi=$(((256 - margin) * k - 1)) r=$((radius * k))

    convert -size "${N}x${N}" -define gradient:angle=135 "gradient:$slate-$teal" \
        -fill 'rgba(255,255,255,0.08)' \
        -draw "path 'M 0,$((150 * k)) C $((90 * k)),$((112 * k)) $((170 * k)),$((96 * k)) $N,$((56 * k)) L $N,0 L 0,0 Z'" \
        \( -size "${N}x${N}" xc:none -fill white \
           -draw "roundrectangle $lo,$lo $hi,$hi $r,$r" \) \
        -compose DstIn -composite -compose Over \
        -fill white -draw "$(emblem $((128 * k)) $((130 * k)) "$zoom")" \
        -filter Triangle -resize "${size}x${size}" \
        "${png_opts[@]}" "PNG32:$out/$file"
}

icons() {
    icon 256 kestrune.png     8 48 4.2
    icon 128 kestrune-128.png 8 48 4.2
    icon 64  kestrune-64.png  6 46 4.4
    icon 48  kestrune-48.png  6 44 4.5
    icon 32  kestrune-32.png  0 40 4.8
    icon 16  kestrune-16.png  0 40 5.0
    convert "$out/kestrune-16.png" "$out/kestrune-32.png" "$out/kestrune-48.png" \
        "$out/kestrune.png" "${png_opts[@]}" "$out/kestrune.ico"
}

# --------------------------------------------------------------- buttons --

# Renders MVG drawn on a 256 x 256 canvas into a 32 x 32 button picture.
button() {
    local file=$1 mvg=$2
    convert -size 256x256 xc:none \
        -draw "stroke-linejoin round
               stroke-linecap round
               $mvg" \
        -filter Triangle -resize 32x32 \
        "${png_opts[@]}" "PNG32:$out/$file"
}

# A thick rounded stroke with a dark rim: the rim is drawn first, wider.
rimmed_lines() {
    local colour=$1 width=$2; shift 2
    local line
    printf 'fill none\nstroke %s\nstroke-width %s\n' "$ink" $((width + 24))
    for line in "$@"; do printf '%s\n' "$line"; done
    printf 'stroke %s\nstroke-width %s\n' "$colour" "$width"
    for line in "$@"; do printf '%s\n' "$line"; done
}

# Two overlapping sheets of paper in the top left corner, for the copy buttons.
two_sheets="
  stroke $ink stroke-width 12 fill $paper
  roundrectangle 22,14 128,148 12,12
  roundrectangle 62,50 168,184 12,12
  stroke-width 10
  line 84,84 146,84
  line 84,110 146,110
"

btn_add() {
    button btn-add.png "$(rimmed_lines "$green" 56 \
        'line 128,44 128,212' 'line 44,128 212,128')"
}

btn_edit() {
    # A pencil pointing at the bottom left corner.
    button btn-edit.png "
      translate 128,128 rotate 45
      stroke $ink stroke-width 12
      fill $red   roundrectangle -34,-124 34,-82 10,10
      fill $amber rectangle -34,-90 34,52
      fill $wood  polygon -34,52 34,52 0,124
      fill $ink   polygon -13,98 13,98 0,124
      stroke-width 8
      line -11,-82 -11,48
    "
}

btn_delete() {
    # A waste bin.
    button btn-delete.png "
      stroke $ink stroke-width 12 fill $red
      roundrectangle 100,22 156,54 8,8
      polygon 58,80 198,80 184,236 72,236
      roundrectangle 36,50 220,80 10,10
      fill none stroke-width 12
      line 100,110 104,206
      line 128,110 128,206
      line 156,110 152,206
    "
}

btn_goto() {
    # An arrow leaving a box to the right.
    button btn-goto.png "
      stroke $ink stroke-width 14 fill $paper
      roundrectangle 20,40 168,216 16,16
      stroke-width 12 fill $blue
      polygon 74,106 154,106 154,62 236,128 154,194 154,150 74,150
    "
}

btn_website() {
    # A globe with meridians and parallels.
    button btn-website.png "
      stroke $ink stroke-width 14 fill $sky
      circle 128,128 128,22
      fill none stroke-width 9
      ellipse 128,128 46,106 0,360
      line 128,22 128,234
      line 22,128 234,128
      line 40,78 216,78
      line 40,178 216,178
      stroke-width 14
      circle 128,128 128,22
    "
}

btn_copy_username() {
    button btn-copy-username.png "
      $two_sheets
      stroke $ink stroke-width 12 fill $teal
      path 'M 112,242 C 112,196 140,178 176,178 C 212,178 240,196 240,242 Z'
      circle 176,136 176,98
    "
}

btn_copy_password() {
    button btn-copy-password.png "
      $two_sheets
      stroke $ink stroke-width 12 fill $amber
      path 'M 150,178 L 238,178 L 238,214 L 224,214 L 224,234 L 202,234 L 202,214
            L 190,214 L 190,228 L 168,228 L 168,214 L 150,214 Z'
      circle 122,196 122,146
      fill $paper
      circle 112,196 112,178
    "
}

btn_copy_location() {
    button btn-copy-location.png "
      $two_sheets
      stroke $ink stroke-width 12 fill $red
      path 'M 178,246 C 160,214 124,186 124,150 A 54,54 0 1 1 232,150
            C 232,186 196,214 178,246 Z'
      fill $paper
      circle 178,150 178,130
    "
}

btn_save() {
    button btn-save.png "$(rimmed_lines "$green" 48 \
        'polyline 44,134 102,192 214,66')"
}

btn_cancel() {
    button btn-cancel.png "$(rimmed_lines "$red" 32 \
        'circle 128,128 128,40' 'line 66,66 190,190')"
}

btn_generate() {
    # A die, tilted, for a password made at random.
    button btn-generate.png "
      translate 128,128 rotate -12
      stroke $ink stroke-width 14 fill $paper
      roundrectangle -96,-96 96,96 30,30
      stroke none fill $blue
      circle -50,-50 -50,-30
      circle 50,-50 50,-30
      circle 0,0 0,20
      circle -50,50 -50,70
      circle 50,50 50,70
    "
}

buttons() {
    btn_add
    btn_edit
    btn_delete
    btn_goto
    btn_website
    btn_copy_username
    btn_copy_password
    btn_copy_location
    btn_save
    btn_cancel
    btn_generate
}

main() {
    check_tools
    mkdir -p "$out"
    splash
    icons
    buttons
}

main "$@"
