#!/bin/sh
# Builds dxt_bench in a Release tree (build/bench), fetches its images when
# they are missing, and prints the table on one thread.
#   bench/run.sh [IMAGE_DIR]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
images=${1:-"$root/build/bench-images"}
[ -f "$images/photo-aqua.png" ] && [ -f "$images/cartoon-cats.png" ] ||
    "$root/bench/fetch_images.sh" "$images"
cmake -S "$root" -B "$root/build/bench" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build/bench" --target dxt_bench -j2 >/dev/null
# libsquish's image calls use OpenMP; the benchmark calls it per block, and
# one thread keeps every library on an equal footing.
OMP_NUM_THREADS=1 "$root/build/bench/bench/dxt_bench" "$images"
