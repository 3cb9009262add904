#!/bin/bash
# Export benchmark: 100 real PNG images (bench/fetch_export_images.sh)
# exported by `qbtex convert` as backdrops (1024x256, Best Match, full chain,
# a thumbnail each) and as textures (own size rounded up to powers of two,
# Best Match, full chain), against ImageMagick (convert -define
# dds:compression=dxt5 -define dds:mipmaps=N) and nvcompress (-bc3) on the
# same files in the same run. Every tool gets every core: qbtex through its
# default --jobs, the others one process per file through xargs -P.
#
# Figures: files per second (100 / wall time of the batch; the first, cold
# run, after dropping the page cache where the system allows it, and the best
# of RUNS warm runs), and the level-0 RGB PSNR of the DXT files against the
# same tool's pixels before compression: qbtex's own rendering in A8R8G8B8,
# and the source PNG for the other two (which keep the source size).
#
#   bench/export_bench.sh [IMAGE_DIR]     RUNS=3, K4_BENCH_BUILD=build/release
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
images=${1:-"$root/build/export-bench-images"}
runs=${RUNS:-3}
build=${K4_BENCH_BUILD:-"$root/build/release"}
work="$build/export-bench"
cores=$(nproc)

[ "$(ls "$images"/*.png 2>/dev/null | wc -l)" = 100 ] || "$root/bench/fetch_export_images.sh" "$images"
cmake --preset release -B "$build" -S "$root" >/dev/null
cmake --build "$build" --target qbtex export_psnr -j2 >/dev/null
qbtex="$build/cli/qbtex"
psnr="$build/bench/export_psnr"
rm -rf "$work"
mkdir -p "$work"/{im,nv,lists}

# ImageMagick's job list: input, output, the level count of a full chain.
for png in "$images"/*.png; do
    read -r w h < <(identify -format '%w %h\n' "$png[0]")
    size=$((w > h ? w : h)) levels=1
    while [ $size -gt 1 ]; do size=$((size / 2)) levels=$((levels + 1)); done
    echo "$png $work/im/$(basename "$png" .png).dds $levels"
done >"$work/lists/im-jobs"
for png in "$images"/*.png; do
    echo "$png $work/nv/$(basename "$png" .png).dds"
done >"$work/lists/nv-jobs"

run_tool() { # NAME
    case $1 in
    qbtex-backdrop) "$qbtex" convert --type backdrop --yes --out "$work/backdrop" "$images"/*.png >/dev/null ;;
    qbtex-texture) "$qbtex" convert --type texture --yes --out "$work/texture" "$images"/*.png >/dev/null ;;
    imagemagick) xargs -P "$cores" -n 3 sh -c \
        'convert "$0" -define dds:compression=dxt5 -define dds:mipmaps="$2" "$1"' <"$work/lists/im-jobs" ;;
    nvcompress) xargs -P "$cores" -n 2 sh -c 'nvcompress -bc3 "$0" "$1" >/dev/null 2>&1' \
        <"$work/lists/nv-jobs" ;;
    esac
}

seconds() { # NAME: wall time of one batch
    local start end
    start=$(date +%s.%N)
    run_tool "$1"
    end=$(date +%s.%N)
    awk -v a="$start" -v b="$end" 'BEGIN { print b - a }'
}

tools="qbtex-backdrop qbtex-texture imagemagick nvcompress"
cold_note="page cache dropped before each cold run"
declare -A cold warm
for tool in $tools; do
    sync
    if ! { echo 3 >/proc/sys/vm/drop_caches; } 2>/dev/null; then
        cold_note="page cache could not be dropped here: the cold run is the first run"
    fi
    cold[$tool]=$(seconds "$tool")
done
for tool in $tools; do
    best=${cold[$tool]}
    for ((i = 0; i < runs; ++i)); do
        t=$(seconds "$tool")
        best=$(awk -v a="$t" -v b="$best" 'BEGIN { print (a < b ? a : b) }')
    done
    warm[$tool]=$best
done

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
echo "| tool | output | files/s cold | files/s warm | PSNR (dB) |"
echo "|---|---|---|---|---|"
describe() {
    case $1 in
    qbtex-backdrop) echo "qbtex convert --type backdrop | 1024x256, Best Match, full chain, + thumbnail" ;;
    qbtex-texture) echo "qbtex convert --type texture | own size to power of 2, Best Match, full chain" ;;
    imagemagick) echo "ImageMagick convert, DXT5 | own size, mipmaps=N" ;;
    nvcompress) echo "nvcompress -bc3 | own size, full chain" ;;
    esac
}
for tool in $tools; do
    read -r db pairs < <("$psnr" "$work/lists/$tool")
    printf '| %s | %.1f | %.1f | %s |\n' "$(describe "$tool")" \
        "$(awk -v t="${cold[$tool]}" 'BEGIN { print 100 / t }')" \
        "$(awk -v t="${warm[$tool]}" 'BEGIN { print 100 / t }')" "$db"
done
