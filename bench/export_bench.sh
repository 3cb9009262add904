#!/bin/bash
# Export benchmark, two tables.
#
# Unequal work: 100 real PNG images (bench/fetch_export_images.sh) exported
# by `qbtex convert` as backdrops (1024x256, Best Match, full chain, a
# thumbnail each) and as textures (own size rounded up to powers of two,
# Best Match, full chain), against ImageMagick (convert -define
# dds:compression=dxt5 -define dds:mipmaps=N) and nvcompress (-bc3) on the
# same files, which keep the source size. PSNR is level 0's RGB against the
# same tool's pixels before compression: qbtex's own rendering in A8R8G8B8,
# the source PNG for the other two.
#
# Equal work: power-of-two sources (the 512x512 tiles of bench/fetch_images.sh
# and their 256x256 and 1024x1024 versions), every tool writing DXT5 at the
# source's size with a full mip chain: qbtex convert --type texture --format
# dxt5, ImageMagick's mogrify with -alpha set (without it opaque pictures come
# out DXT1) in one process per core, each taking its share of the files, and
# nvcompress -bc3. PSNR is level 0's RGB against the same tool's pixels before
# compression, as above.
# Every output's size, format and level count is checked before the figures
# are printed.
#
# Every tool gets every core: qbtex through its default --jobs, ImageMagick's
# convert and nvcompress one process per file through xargs -P. Files per
# second: the number of files over the wall time of the batch, for the
# first, cold run (after dropping the page cache where the system allows it)
# and the best of RUNS warm runs, all tools of a table in the same run.
#
#   bench/export_bench.sh [IMAGE_DIR]   RUNS=3, TABLES=both (or unequal, equal),
#                                       K4_BENCH_BUILD=build/release
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
images=${1:-"$root/build/export-bench-images"}
runs=${RUNS:-3}
tables=${TABLES:-both}
build=${K4_BENCH_BUILD:-"$root/build/release"}
work="$build/export-bench"
tiles="$build/export-bench-tiles"
cores=$(nproc)

case $tables in both | unequal | equal) ;; *)
    echo "TABLES must be both, unequal or equal" >&2
    exit 2
    ;;
esac
if [ "$tables" != equal ]; then
    [ "$(ls "$images"/*.png 2>/dev/null | wc -l)" = 100 ] || "$root/bench/fetch_export_images.sh" "$images"
fi
cmake --preset release -B "$build" -S "$root" >/dev/null
cmake --build "$build" --target qbtex export_psnr -j2 >/dev/null
qbtex="$build/cli/qbtex"
psnr="$build/bench/export_psnr"
rm -rf "$work"
mkdir -p "$work"/{im,nv,lists,eq-im,eq-nv}

run_tool() { # NAME
    case $1 in
    qbtex-backdrop) "$qbtex" convert --type backdrop --yes --out "$work/backdrop" "$images"/*.png >/dev/null ;;
    qbtex-texture) "$qbtex" convert --type texture --yes --out "$work/texture" "$images"/*.png >/dev/null ;;
    imagemagick) xargs -P "$cores" -n 3 sh -c \
        'convert "$0" -define dds:compression=dxt5 -define dds:mipmaps="$2" "$1"' <"$work/lists/im-jobs" ;;
    nvcompress) xargs -P "$cores" -n 2 sh -c 'nvcompress -bc3 "$0" "$1" >/dev/null 2>&1' \
        <"$work/lists/nv-jobs" ;;
    eq-qbtex) "$qbtex" convert --type texture --format dxt5 --yes --out "$work/eq-qbtex" \
        "$tiles"/*.png >/dev/null ;;
    eq-imagemagick)
        # One mogrify per core over its share of the files (every $cores-th).
        for ((i = 0; i < cores; ++i)); do
            awk -v n="$cores" -v i="$i" 'NR % n == i' "$work/lists/eq-files" | tr '\n' '\0' |
                xargs -0 mogrify -path "$work/eq-im" -format dds -alpha set \
                    -define dds:compression=dxt5 &
        done
        wait ;;
    eq-nvcompress) xargs -P "$cores" -n 2 sh -c 'nvcompress -bc3 "$0" "$1" >/dev/null 2>&1' \
        <"$work/lists/eq-nv-jobs" ;;
    esac
}

seconds() { # NAME: wall time of one batch
    local start end
    start=$(date +%s.%N)
    run_tool "$1"
    end=$(date +%s.%N)
    awk -v a="$start" -v b="$end" 'BEGIN { print b - a }'
}

cold_note="page cache dropped before each cold run"
declare -A cold warm
measure() { # TOOL...: a cold run of each, then the best of RUNS warm runs
    local tool best t i
    for tool in "$@"; do
        sync
        if ! { echo 3 >/proc/sys/vm/drop_caches; } 2>/dev/null; then
            cold_note="page cache could not be dropped here: the cold run is the first run"
        fi
        cold[$tool]=$(seconds "$tool")
    done
    for tool in "$@"; do
        best=${cold[$tool]}
        for ((i = 0; i < runs; ++i)); do
            t=$(seconds "$tool")
            best=$(awk -v a="$t" -v b="$best" 'BEGIN { print (a < b ? a : b) }')
        done
        warm[$tool]=$best
    done
}

print_rows() { # FILES TOOL...
    local files=$1 tool db pairs
    shift
    echo "| tool | output | files/s cold | files/s warm | PSNR (dB) |"
    echo "|---|---|---|---|---|"
    for tool in "$@"; do
        read -r db pairs < <("$psnr" "$work/lists/$tool")
        printf '| %s | %.1f | %.1f | %s |\n' "$(describe "$tool")" \
            "$(awk -v n="$files" -v t="${cold[$tool]}" 'BEGIN { print n / t }')" \
            "$(awk -v n="$files" -v t="${warm[$tool]}" 'BEGIN { print n / t }')" "$db"
    done
}

describe() {
    case $1 in
    qbtex-backdrop) echo "qbtex convert --type backdrop | 1024x256, Best Match, full chain, + thumbnail" ;;
    qbtex-texture) echo "qbtex convert --type texture | own size to power of 2, Best Match, full chain" ;;
    imagemagick) echo "ImageMagick convert, DXT5 | own size, mipmaps=N" ;;
    nvcompress) echo "nvcompress -bc3 | own size, full chain" ;;
    eq-qbtex) echo "qbtex convert --type texture --format dxt5 | own size, DXT5, full chain" ;;
    eq-imagemagick) echo "ImageMagick mogrify -alpha set, DXT5 | own size, DXT5, full chain" ;;
    eq-nvcompress) echo "nvcompress -bc3 | own size, DXT5, full chain" ;;
    esac
}

unequal_table() {
    # ImageMagick's job list: input, output, the level count of a full chain.
    local png w h size levels name dds
    for png in "$images"/*.png; do
        read -r w h < <(identify -format '%w %h\n' "$png[0]")
        size=$((w > h ? w : h)) levels=1
        while [ $size -gt 1 ]; do size=$((size / 2)) levels=$((levels + 1)); done
        echo "$png $work/im/$(basename "$png" .png).dds $levels"
    done >"$work/lists/im-jobs"
    for png in "$images"/*.png; do
        echo "$png $work/nv/$(basename "$png" .png).dds"
    done >"$work/lists/nv-jobs"

    measure qbtex-backdrop qbtex-texture imagemagick nvcompress

    # PSNR pairs: qbtex against its own uncompressed rendering, the others
    # against their source.
    "$qbtex" convert --type backdrop --format a8r8g8b8 --out "$work/backdrop-ref" "$images"/*.png >/dev/null
    "$qbtex" convert --type texture --format a8r8g8b8 --out "$work/texture-ref" "$images"/*.png >/dev/null
    for dds in "$work"/backdrop/bd_*.dds; do
        printf '%s\t%s\n' "$dds" "$work/backdrop-ref/$(basename "$dds")"
    done >"$work/lists/qbtex-backdrop"
    for dds in "$work"/texture/*.dds; do
        printf '%s\t%s\n' "$dds" "$work/texture-ref/$(basename "$dds")"
    done >"$work/lists/qbtex-texture"
    for png in "$images"/*.png; do
        name=$(basename "$png" .png)
        printf '%s\t%s\n' "$work/im/$name.dds" "$png" >>"$work/lists/imagemagick"
        printf '%s\t%s\n' "$work/nv/$name.dds" "$png" >>"$work/lists/nvcompress"
    done

    echo "Export of 100 PNG images (supertux-data) on $cores cores; files per second: cold"
    echo "first run ($cold_note) and best of $runs warm runs; level-0 RGB PSNR."
    echo
    print_rows 100 qbtex-backdrop qbtex-texture imagemagick nvcompress
}

# The equal-work sources: each tile at 256, 512 and 1024 pixels a side, in
# the tile's own PNG type (opaque tiles stay RGB), named tileNN_SIZE.png
# (qbtex writes game file names: no dashes, at most 31 characters).
make_tiles() {
    local png name type size n=0
    [ "$(ls "$tiles"/tile*.png 2>/dev/null | wc -l)" -ge 120 ] && return
    "$root/bench/fetch_images.sh" "$tiles/512" >/dev/null
    rm -f "$tiles"/*.png
    for png in "$tiles"/512/*.png; do
        name=tile$(printf %02d $n)
        n=$((n + 1))
        type=PNG32
        [ "$(identify -format '%[opaque]' "$png")" = True ] && type=PNG24
        for size in 256 512 1024; do
            convert "$png" +repage -resize "${size}x${size}!" "$type:$tiles/${name}_$size.png"
        done
    done
}

equal_table() {
    local png name dds count
    make_tiles
    count=$(ls "$tiles"/*.png | wc -l)
    ls "$tiles"/*.png >"$work/lists/eq-files"
    for png in "$tiles"/*.png; do
        echo "$png $work/eq-nv/$(basename "$png" .png).dds"
    done >"$work/lists/eq-nv-jobs"

    measure eq-qbtex eq-imagemagick eq-nvcompress

    # qbtex's pixels before compression: the export draws the picture over
    # transparent black, which changes the colour and alpha of texels that
    # are neither opaque nor transparent.
    "$qbtex" convert --type texture --format a8r8g8b8 --yes --out "$work/eq-ref" "$tiles"/*.png >/dev/null

    # Equal work, checked: each output DXT5, the source's size, a full chain
    # (qbtex info prints "FILE: WxH, N levels, FORMAT").
    local bad=0 dir want got size levels s
    for dir in eq-qbtex eq-im eq-nv; do
        "$qbtex" info "$work/$dir"/*.dds >"$work/lists/$dir-info" || bad=1
    done
    for png in "$tiles"/*.png; do
        name=$(basename "$png" .png)
        size=${name##*_}
        levels=1
        for ((s = size; s > 1; s /= 2)); do levels=$((levels + 1)); done
        want="${size}x${size}, $levels levels, DXT5"
        for dir in eq-qbtex eq-im eq-nv; do
            dds="$work/$dir/$name.dds"
            got=$(grep -F "$dds: " "$work/lists/$dir-info" | sed 's/^.*: //')
            if [ "$got" != "$want" ]; then
                echo "export_bench: $dds is '$got', not '$want'" >&2
                bad=1
            fi
        done
        printf '%s\t%s\n' "$work/eq-qbtex/$name.dds" "$work/eq-ref/$name.dds" >>"$work/lists/eq-qbtex"
        printf '%s\t%s\n' "$work/eq-im/$name.dds" "$png" >>"$work/lists/eq-imagemagick"
        printf '%s\t%s\n' "$work/eq-nv/$name.dds" "$png" >>"$work/lists/eq-nvcompress"
    done
    [ $bad = 0 ] || exit 1

    echo "Equal work: $count power-of-two PNG tiles (256, 512 and 1024 pixels a side) on"
    echo "$cores cores, DXT5 at the source's size with full chains; files per second: cold"
    echo "first run ($cold_note) and best of $runs warm runs; level-0 RGB PSNR."
    echo
    print_rows "$count" eq-qbtex eq-imagemagick eq-nvcompress
}

if [ "$tables" != equal ]; then
    unequal_table
fi
if [ "$tables" = both ]; then
    echo
fi
if [ "$tables" != unequal ]; then
    equal_table
fi
