#!/usr/bin/env bash
# The texture check over an install of 500,000 loose files laid out like the
# large benchmark install (bench/startup_bench_install --loose: 200 folders
# below data\textures\, 4 x 4 DXT1 files of 136 bytes), in files per second,
# beside an anchor measured in the same run: reading every file whole with
# find and cat, which is what the check must do at least (it reads each file
# once, and here the header is all of it).
#
#   RUNS=5 bench/check_bench.sh [WORKDIR]   (default /tmp/k4-check-bench, removed afterwards)
#
# Optimised build: the release preset in build/release (K4_BENCH_BUILD names
# another folder). Each figure is a fresh process; the first run follows the
# writing of the files (the page cache holds them: this machine's disk
# cannot be cleared of them without disturbing the other users), then the
# best of RUNS. The check finds a level error in every file (the files have
# one level where textures need the full chain), so its 500,000 lines of
# output are part of what is measured; they go to /dev/null.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${K4_BENCH_BUILD:-$root/build/release}
work=${1:-/tmp/k4-check-bench}
runs=${RUNS:-5}
files=500000

{ cmake --preset release -B "$build" >/dev/null &&
    cmake --build "$build" -j2 --target qbtex startup_bench_install >/dev/null; } ||
    { echo "check_bench: the release build failed"; exit 1; }
rm -rf "$work"
"$build/bench/startup_bench_install" "$work" --loose || exit 1
trap 'rm -rf "$work"' EXIT

# Seconds of one fresh run of a command (its own exit status ignored: the
# check reports the errors it finds with status 1).
seconds() {
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s.%N)
    echo "$end - $start" | bc -l
}
check() { "$build/cli/qbtex" check "$work"; }
anchor() { find "$work/data" -type f -print0 | xargs -0 cat; }
min() { echo "if ($1 < $2) $1 else $2" | bc -l; }

first_check=$(seconds check)
first_anchor=$(seconds anchor)
best_check=$first_check
best_anchor=$first_anchor
for _ in $(seq 2 "$runs"); do
    best_check=$(min "$best_check" "$(seconds check)")
    best_anchor=$(min "$best_anchor" "$(seconds anchor)")
done
findings=$("$build/cli/qbtex" check "$work" 2>/dev/null | wc -l)

printf '%-44s %10s %12s %10s\n' "measure ($files files, $findings findings)" "seconds" "files/s" "vs anchor"
row() {
    printf '%-44s %10.2f %12.0f %10s\n' "$1" "$2" "$(echo "$files / $2" | bc -l)" "$3"
}
row "qbtex check, first run after writing" "$first_check" \
    "$(printf '%.2fx' "$(echo "$first_check / $first_anchor" | bc -l)")"
row "find | xargs cat (anchor), first run" "$first_anchor" "1.00x"
row "qbtex check, best of $runs" "$best_check" \
    "$(printf '%.2fx' "$(echo "$best_check / $best_anchor" | bc -l)")"
row "find | xargs cat (anchor), best of $runs" "$best_anchor" "1.00x"
