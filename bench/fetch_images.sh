#!/bin/sh
# Test images for dxt_bench: real photographs (Debian's mate-backgrounds),
# game sprites and tiles with alpha (Debian's supertux-data), flat-shaded game
# backgrounds and tile sets and user-interface art (Debian's teeworlds-data),
# hand-drawn cartoon art with flat colours (Debian's raincat-data: menus, level
# art with alpha, sprite sheets), cut or assembled into 512x512 PNG tiles,
# plus a few of the original JPEG photographs for the decoder timing. The file
# name's prefix is the class (photo-, sprite-/layer-/sheet-, flat-, ui-,
# cartoon-). The file list is fixed so that every run measures the same
# pixels (checked against mate-backgrounds 1.26.0-1, supertux-data 0.6.3-2,
# teeworlds-data 0.7.5-2 and raincat-data 1.1.1.2-4).
#
# Usage: bench/fetch_images.sh [OUTPUT_DIR]   (default: build/bench-images)
# Installs the packages with apt-get when they are missing (needs root).
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-"$root/build/bench-images"}
photos=/usr/share/backgrounds/mate/nature
tux=/usr/share/games/supertux2/images
tee=/usr/share/games/teeworlds/data
rain=/usr/share/games/raincat/data

. "$(dirname "$0")/packages.sh"
k4_ensure_packages mate-backgrounds supertux-data teeworlds-data raincat-data imagemagick

mkdir -p "$out/jpeg"
rm -f "$out"/*.png "$out"/jpeg/*.jpg

# PNG24/PNG32 keep ImageMagick from writing palette or grey files, so every
# tile is plain 8-bit RGB or RGBA.
crop() { # NAME SOURCE GEOMETRY TYPE
    convert "$2" -crop "$3" +repage "$4:$out/$1.png"
}

# Photographs: one 512x512 crop from each, away from plain sky where possible.
crop photo-aqua "$photos/Aqua.jpg" 512x512+1024+544 PNG24
crop photo-dune "$photos/Dune.jpg" 512x512+584+269 PNG24
crop photo-freshflower "$photos/FreshFlower.jpg" 512x512+544+345 PNG24
crop photo-garden "$photos/Garden.jpg" 512x512+1024+544 PNG24
crop photo-greenmeadow "$photos/GreenMeadow.jpg" 512x512+384+256 PNG24
crop photo-ladybird "$photos/LadyBird.jpg" 512x512+1024+544 PNG24
crop photo-raindrops "$photos/RainDrops.jpg" 512x512+704+344 PNG24
crop photo-storm "$photos/Storm.jpg" 512x512+704+384 PNG24
crop photo-twowings "$photos/TwoWings.jpg" 512x512+1024+544 PNG24
crop photo-wood "$photos/Wood.jpg" 512x512+1024+704 PNG24
crop photo-yellowflower "$photos/YellowFlower.jpg" 512x512+1024+544 PNG24

# Large sprites and parallax layers with alpha: crops.
crop sprite-yeti "$tux/creatures/yeti/busted1.png" 512x512+80+136 PNG32
crop sprite-spookytree "$tux/decal/halloween/spookytree2.png" 512x512+268+230 PNG32
crop layer-forest "$tux/background/forest/forest2_para.png" 512x512+144+88 PNG32
crop layer-ghostforest "$tux/background/ghostforest/ghostforest_para.png" 512x512+144+88 PNG32
crop layer-castle "$tux/background/castle/castle_foreground.png" 512x512+0+0 PNG32
crop layer-bluemountain "$tux/background/bluemountain/bluemountain2.png" 512x512+384+64 PNG32

# Small sprites and tiles: sheets assembled by montage, each image at its
# own size (">" never enlarges) on a transparent background, centred on
# 512x512 (montage would apply -extent to each input, so convert does it).
sheet() { # NAME CELL COLUMNSxROWS FILE...
    name=$1 cell=$2 grid=$3
    shift 3
    montage "$@" -background none -geometry "$cell>+0+0" -tile "$grid" "PNG32:$out/$name.png"
    convert "$out/$name.png" -background none -gravity center -extent 512x512 \
        "PNG32:$out/$name.png"
}
snowball=$tux/creatures/snowball
sheet sheet-snowball 64x64 8x8 \
    "$snowball"/captain-left-[0-7].png "$snowball"/captain-right-[0-7].png \
    "$snowball"/smartball-[0-7].png "$snowball"/snowball-[0-7].png \
    "$snowball"/cpt-gmelting-[0-4].png "$snowball"/gmelting-[0-4].png \
    "$snowball"/season-gmelting-[0-4].png "$snowball"/sport-gmelting-[0-4].png \
    "$snowball"/cpt-melting-[0-3].png "$snowball"/melting-[0-3].png \
    "$snowball"/sport-melting-[0-3].png
big=$tux/creatures/tux/big
sheet sheet-tux 96x96 5x5 \
    "$big"/big-walljump-[0-2].png "$big"/buttjump-[0-6].png "$big"/duck-0.png \
    "$big"/idle-[01].png "$big"/jump-0.png "$big"/kick-0.png "$big"/skid-0.png \
    "$big"/stand-0.png "$big"/walk-[0-7].png
snow=$tux/tiles/snow
sheet sheet-snow-tiles 128x128 4x4 \
    "$snow"/air.png "$snow"/background.png "$snow"/concave.png "$snow"/custom.png \
    "$snow"/flagpole.png "$snow"/icechunk.png "$snow"/platform.png "$snow"/snowmerge.png \
    "$snow"/special2.png "$snow"/spike.png "$snow"/unisolid3.png "$snow"/variants.png \
    "$snow"/variants2.png "$snow"/snow-walljump.png "$snow"/unisolid2.png "$snow"/special.png
forest=$tux/tiles/forest
sheet sheet-forest-tiles 128x128 4x4 \
    "$forest"/brush.png "$forest"/concave.png "$forest"/earth-floor.png \
    "$forest"/exit-tree-bg.png "$forest"/forestlog.png "$forest"/foresttiles-1a.png \
    "$forest"/foresttiles-5.png "$forest"/foresttiles-6.png "$forest"/foresttiles-7.png \
    "$forest"/foresttiles-9a.png "$forest"/hole2.png "$forest"/ladder.png \
    "$forest"/leaf-walljump.png "$forest"/nolok_statue.png "$forest"/ceiling-slopes.png \
    "$forest"/brush2.png

# Flat-shaded game art: parallax backgrounds drawn over the sky gradient the
# game puts behind them (opaque: flat areas, smooth gradients, soft edges),
# and tile sets as shipped (with alpha).
sky() { # NAME SOURCE GEOMETRY: SOURCE over a vertical sky gradient, then cropped
    size=$(identify -format '%wx%h' "$2")
    convert -size "$size" gradient:'#5e84ae-#a4c6e5' "$2" -composite -crop "$3" +repage \
        "PNG24:$out/$1.png"
}
sky flat-winter-mountains "$tee/mapres/winter_mountains.png" 512x512+256+0
sky flat-desert-mountains "$tee/mapres/desert_mountains.png" 512x512+256+0
sky flat-clouds "$tee/mapres/bg_cloud1.png" 512x512+768+256
sky flat-moon "$tee/mapres/moon.png" 512x512+256+256
sky flat-mountains "$tee/mapres/mountains.png" 512x512+512+0
crop flat-grass-tiles "$tee/mapres/grass_main.png" 512x512+0+0 PNG32
crop flat-jungle-tiles "$tee/mapres/jungle_main.png" 512x512+0+0 PNG32
crop flat-winter-tiles "$tee/mapres/winter_main.png" 512x512+0+0 PNG32
crop flat-desert-tiles "$tee/mapres/desert_main.png" 512x512+512+0 PNG32

# User-interface art: menu pictures, buttons, icons and the logo, as the
# game ships them (with alpha).
convert "$tee"/ui/menuimages/demos.png "$tee"/ui/menuimages/editor.png \
    "$tee"/ui/menuimages/local_server.png "$tee"/ui/menuimages/play_game.png -append \
    "PNG32:$out/ui-menu.png"
sheet ui-icons 128x128 4x4 \
    "$tee"/ui/icons/arrows.png "$tee"/ui/icons/browse.png "$tee"/ui/icons/browser.png \
    "$tee"/ui/icons/chat_whisper.png "$tee"/ui/icons/friend.png "$tee"/ui/icons/menu.png \
    "$tee"/ui/icons/sidebar.png "$tee"/ui/icons/timer_clock.png "$tee"/ui/icons/tools.png \
    "$tee"/ui/gametypes/ctf.png "$tee"/ui/gametypes/dm.png "$tee"/ui/gametypes/lms.png \
    "$tee"/ui/gametypes/race.png "$tee"/ui/themes/jungle.png "$tee"/ui/themes/winter.png \
    "$tee"/ui/themes/heavens.png
convert -size 512x512 xc:none \
    "$tee"/ui/gui_logo.png -geometry +0+0 -composite \
    "$tee"/ui/gui_buttons.png -geometry +0+128 -composite \
    "$tee"/ui/gui_icons.png -geometry +0+256 -composite \
    "$tee"/ui/file_icons.png -geometry +256+256 -composite \
    "$tee"/ui/console_bar.png -geometry +256+320 -composite \
    "$tee"/ui/icons/level.png -geometry +0+320 -composite \
    "$tee"/ui/demo_buttons.png -geometry +256+400 -composite \
    "$tee"/ui/sound_icons.png -geometry +416+400 -composite \
    "PNG32:$out/ui-widgets.png"

# Cartoon art: the menus (a drawn cat, lettering, a text panel), level art
# with alpha (grass, water, rock, towers), the painted sky, and the cat's
# frames and the item buttons as sheets.
crop cartoon-level-select "$rain/menu/level-select.png" 512x512+0+480 PNG32
crop cartoon-level-buttons "$rain/menu/level-select.png" 512x512+448+400 PNG32
crop cartoon-how-to "$rain/menu/how-to.png" 512x512+0+256 PNG32
crop cartoon-swirls "$rain/levels/rift/rift_0_0.png" 512x512+0+512 PNG32
crop cartoon-grass "$rain/levels/movement1/movement1_0_0.png" 512x512+512+400 PNG32
crop cartoon-shark "$rain/levels/pool/pool_0_0.png" 512x512+128+480 PNG32
crop cartoon-towers "$rain/levels/skyline/skyline_1_0.png" 512x512+512+512 PNG32
crop cartoon-pond "$rain/levels/water2/water2_0_0.png" 512x512+400+250 PNG32
crop cartoon-river "$rain/levels/river/river_0_0.png" 512x512+0+512 PNG32
crop cartoon-clouds "$rain/backgrounds/clouds_background.png" 512x512+256+256 PNG24
cat=$rain/cat
sheet cartoon-cats 128x128 4x4 \
    "$cat"/cat-walk/cat-walk[1-4].png "$cat"/cat-umbrella/cat-umbrella[1-4].png \
    "$cat"/cat-poncho/cat-poncho[1-2].png "$cat"/cat-rainboots/cat-rainboots[1-2].png \
    "$cat"/cat-skateboard/cat-skateboard1.png "$cat"/cat-shield/cat-shield1.png \
    "$cat"/cat-hurt/cat-hurt1.png "$cat"/cat-laser/cat-laser1.png
sheet cartoon-items 128x128 4x4 "$rain"/item-buttons/cat-go-button.png "$rain"/item-buttons/item-*.png

# Original photographs for the JPEG decoder timing.
for name in Aqua Dune Garden Storm; do
    cp "$photos/$name.jpg" "$out/jpeg/"
done

ls "$out"/*.png | wc -l | xargs echo "tiles in $out:"
