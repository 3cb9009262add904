#!/bin/sh
# The 100 PNG images of bench/export_bench.sh: real game artwork (Debian's
# supertux-data: backgrounds, decals, sprites and tiles, 200 to 1900 pixels
# wide, RGB, RGBA and grey with alpha), copied under flat names. The list is
# fixed so that every run converts the same pixels (checked against
# supertux-data 0.6.3-2). Also installs the tools the benchmark compares
# against: ImageMagick and nvcompress (libnvtt-bin).
#
# Usage: bench/fetch_export_images.sh [OUTPUT_DIR]   (default: build/export-bench-images)
# Installs the packages with apt-get when they are missing (needs root).
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-"$root/build/export-bench-images"}
images=/usr/share/games/supertux2/images

. "$(dirname "$0")/packages.sh"
k4_ensure_packages supertux-data imagemagick libnvtt-bin

mkdir -p "$out"
rm -f "$out"/*.png
while read -r path; do
    cp "$images/$path" "$out/$(echo "$path" | tr / -)"
done <<LIST
background/BlueRock_Forest/rolling-para.png
background/antarctic/SnowMountains.png
background/antarctic/SnowMountainsSky.png
background/antarctic/arcticmountains.png
background/antarctic/arctis2.png
background/arctic_bridge/bridgecloud-dark.png
background/arctic_bridge/bridgecloud-light.png
background/arctic_bridge/bridgeocean-fade.png
background/arctic_bridge/bridgeocean-nofade.png
background/arctic_bridge/bridgeocean-original.png
background/arcticskies/arcticskies1.png
background/arcticskies/arcticskies2.png
background/arcticskies/arcticskies4.png
background/block_snow/block-snow-background.png
background/block_snow/block-snow-midground.png
background/block_snow/block-snow-top.png
background/bluemountain/bluemountain-bottom.png
background/bluemountain/bluemountain-middle.png
background/bluemountain/bluemountain2.png
background/castle/castle_foreground.png
background/castle/snowcastle.png
background/cloud_mountains/cloud-mountains-background.png
background/cloud_mountains/cloud-mountains-bottom.png
background/cloud_mountains/cloud-mountains-forground.png
background/cloud_mountains/cloud-mountains-midground.png
background/forest/dawn_hill_para_blur.png
background/forest/forest2_para.png
background/forest/forest_para2.png
background/forest/forest_para3.png
background/forest/forest_para3_bottom.png
background/forest/forest_para4.png
background/forest/forest_para4_bottom.png
background/forest/nighthills.png
background/ghostforest/ghostforest_grave.png
background/ghostforest/ghostforest_para.png
background/halloween/fog.png
background/halloween/mountain.png
background/halloween/sky.png
background/halloween/vignette.png
background/ice_cave/darkcave-background.png
background/ice_cave/darkcave-middle.png
background/ice_cave/darkcave-preview.png
background/ice_cave/darkcave-top_and_bottom.png
background/ice_cave/darkcavemidground-middle.png
background/ice_cave/darkcavemidground-top_and_bottom.png
background/icecliffs/icecliffs-bottom.png
background/icecliffs/icecliffs-middle.png
background/icecliffs/icecliffs-top.png
background/misc/fog.png
background/misc/heatshimmer-displacement.png
background/misc/heatshimmer.png
background/misc/leaves.png
background/nightsky/nightsky.png
background/nightsky/nightsky_bottom.png
background/nightsky/nightsky_middle.png
background/nightsky/nightsky_para.png
background/nightsky/nightsky_top.png
background/snowmountains/snowmountains-top.png
background/snowmountains/snowmountains.png
creatures/ghosttree/ghosttree-dying-0.png
creatures/ghosttree/ghosttree-swallow-0.png
creatures/ghosttree/ghosttree-swallow-1.png
creatures/ghosttree/ghosttree-swallow-2.png
creatures/ghosttree/ghosttree-swallow-3.png
creatures/ghosttree/ghosttree.png
creatures/tux/earth/light/backflip.png
creatures/tux/earth/light/skid.png
creatures/yeti/busted1.png
creatures/yeti/busted2.png
creatures/yeti/busted3.png
decal/explanations/billboard-bigtux.png
decal/explanations/billboard-buttjump.png
decal/explanations/billboard-climbing.png
decal/explanations/billboard-fireflower.png
decal/explanations/billboard-pickrock.png
decal/explanations/billboard-plant.png
decal/explanations/billboard-resetpoint.png
decal/explanations/billboard-runjump.png
decal/explanations/billboard-star.png
decal/explanations/billboard-swimming.png
decal/explanations/billboard-switch.png
decal/explanations/billboard-trampoline.png
decal/forest/ghost-mushroom-10.png
decal/forest/ghost-mushroom-11.png
decal/forest/ghost-mushroom-12.png
decal/halloween/exit.png
decal/halloween/exitfg.png
decal/halloween/spookytree1.png
decal/halloween/spookytree2.png
decal/halloween/spookytree3.png
decal/halloween/tree.png
decal/retro/map.png
decal/retro/title_old.png
decal/snow/exitfg.png
engine/console.png
engine/console2.png
engine/icons/old/supertux-256x256.png
engine/icons/old/supertux2-256x256.png
engine/icons/supertux-256x256.png
engine/menu/bg_editor.png
LIST
ls "$out"/*.png | wc -l | xargs echo "images in $out:"
