#!/usr/bin/env bash
# Start-up figures of the Windows program under Wine: the time from starting
# k4qb-texmgr.exe to its shown main window, and the process's memory once the
# window is up, for three installs:
#   demo   the demo install (build/demo-game, from tools/demogame.cpp)
#   large  20 archives with 500,000 files (bench/startup_bench_install.cpp)
#   none   the game not installed (no InstallPath)
# Start-up includes the splash's fixed pauses (1000 ms with content, 2500 ms
# without); the figures are also given with the pause taken off.
#
#   bench/startup_bench.sh [RUNS]      (default 5 runs per install)
#
# Needs the Windows build (cmake --build --preset windows). Uses its own Wine
# prefix and copy of the program under build/bench-startup, so the installs it
# registers and the settings, log and cache it makes touch nothing else, and a
# private Xvfb. Every wait has a time limit.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root" || exit 1
runs=${1:-5}
title="Dunmore's Quellbury Texture Manager"
work="$root/build/bench-startup"
bin="$root/build/windows/bin"
window_limit_ms=180000

if [ ! -f "$bin/k4qb-texmgr.exe" ]; then
    echo "startup_bench: build the program first (cmake --preset windows && cmake --build --preset windows)" >&2
    exit 1
fi
{ cmake --preset native >/dev/null && cmake --build build/native --target k4demogame startup_bench_install; } ||
    exit 1
mkdir -p "$work"
if [ ! -d "$root/build/demo-game/data/pak" ]; then
    build/native/tools/k4demogame "$work/demo-game" >/dev/null || exit 1
    demo="$work/demo-game"
else
    demo="$root/build/demo-game"
fi
large="$work/large-game"
if [ ! -d "$large/data/pak" ]; then
    rm -rf "$large.tmp"
    build/native/bench/startup_bench_install "$large.tmp" && mv "$large.tmp" "$large" || exit 1
fi

# A fresh copy of the program for every run of the bench.
rm -rf "$work/app" && mkdir -p "$work/app" && cp -r "$bin"/. "$work/app"/ || exit 1
exe="$work/app/k4qb-texmgr.exe"

export WINEPREFIX="$work/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
xvfb_pid=
cleanup() {
    timeout 30 wineserver -k >/dev/null 2>&1 # this bench's own prefix only
    if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; fi
}
trap cleanup EXIT
for n in $(seq 200 299); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 </dev/null &
    xvfb_pid=$!
    for _ in $(seq 1 100); do
        [ -e "/tmp/.X11-unix/X$n" ] && break
        sleep 0.05
    done
    [ -e "/tmp/.X11-unix/X$n" ] && export DISPLAY=":$n" && break
    kill "$xvfb_pid" 2>/dev/null
    xvfb_pid=
done
[ -n "${DISPLAY:-}" ] || { echo "startup_bench: cannot start Xvfb" >&2; exit 1; }
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "startup_bench: making the Wine prefix (once)"
    timeout 300 wineboot -i >/dev/null 2>&1
    timeout 60 wineserver -w
fi
# One server for all runs, so that no run pays for starting it.
wineserver -p

key='HKLM\Software\Ashgrove Studios Ltd\Quellbury'
register() {
    if [ -n "$1" ]; then
        timeout 60 wine reg add "$key" /v InstallPath /t REG_SZ /d "Z:${1//\//\\}" /f >/dev/null 2>&1
    else
        timeout 60 wine reg delete "$key" /f >/dev/null 2>&1
        true
    fi
}

now_ms() { echo $(($(date +%s%N) / 1000000)); }

# The process that runs the program: the launcher execs into it, but look at
# its children too in case a version of Wine does not.
program_pid() {
    local pid=$1 child
    if tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | grep -qi 'k4qb-texmgr.exe'; then
        echo "$pid"
        return
    fi
    for child in $(cat /proc/"$pid"/task/*/children 2>/dev/null); do
        program_pid "$child"
    done
}

# One run: prints "MS RSS_KIB PEAK_KIB" or "fail".
run_once() {
    local start pid window="" elapsed=-1 ppid rss=0 peak=0
    start=$(now_ms)
    wine "$exe" >/dev/null 2>&1 &
    pid=$!
    while :; do
        window=$(xdotool search --onlyvisible --name "^${title}\$" 2>/dev/null | head -n 1)
        if [ -n "$window" ]; then
            elapsed=$(($(now_ms) - start))
            break
        fi
        kill -0 "$pid" 2>/dev/null || break
        [ $(($(now_ms) - start)) -lt "$window_limit_ms" ] || break
        sleep 0.02
    done
    if [ -n "$window" ]; then
        sleep 3 # the first preview and whatever start-up leaves for later
        ppid=$(program_pid "$pid" | head -n 1)
        if [ -n "$ppid" ]; then
            rss=$(awk '/^VmRSS:/ {print $2}' "/proc/$ppid/status")
            peak=$(awk '/^VmHWM:/ {print $2}' "/proc/$ppid/status")
        fi
    fi
    timeout 30 wine taskkill /IM k4qb-texmgr.exe >/dev/null 2>&1
    if ! timeout 60 tail --pid="$pid" -f /dev/null; then
        timeout 30 wine taskkill /F /IM k4qb-texmgr.exe >/dev/null 2>&1
        timeout 10 tail --pid="$pid" -f /dev/null || kill "$pid" 2>/dev/null
    fi
    wait "$pid" 2>/dev/null
    if [ -n "$window" ]; then echo "$elapsed ${rss:-0} ${peak:-0}"; else echo fail; fi
}

median() { sort -n | awk '{v[NR] = $1} END {if (NR == 0) print "-"; else if (NR % 2) print v[(NR + 1) / 2]; else print int((v[NR / 2] + v[NR / 2 + 1]) / 2)}'; }

# A warm-up run, so that the first measured run does not pay for loading
# Wine's libraries from disk.
register "$demo"
run_once >/dev/null

printf '%-6s %5s %12s %12s %12s %12s %12s\n' install runs "window ms" "min ms" "beyond pause" "RSS MiB" "peak MiB"
for case in demo large none; do
    case $case in
        demo) register "$demo"; pause=1000 ;;
        large) register "$large"; pause=1000 ;;
        none) register ""; pause=2500 ;;
    esac
    results=()
    for _ in $(seq 1 "$runs"); do
        results+=("$(run_once)")
    done
    ok=$(printf '%s\n' "${results[@]}" | grep -v fail)
    if [ -z "$ok" ]; then
        printf '%-6s %5s %s\n' "$case" "$runs" "the main window never appeared"
        continue
    fi
    ms=$(cut -d' ' -f1 <<<"$ok" | median)
    fastest=$(cut -d' ' -f1 <<<"$ok" | sort -n | head -n 1)
    rss=$(cut -d' ' -f2 <<<"$ok" | median)
    peak=$(cut -d' ' -f3 <<<"$ok" | median)
    printf '%-6s %5s %12s %12s %12s %12s %12s\n' "$case" "$(grep -c . <<<"$ok")/$runs" "$ms" "$fastest" \
        "$((ms - pause))" "$(awk -v k="$rss" 'BEGIN {printf "%.1f", k / 1024}')" \
        "$(awk -v k="$peak" 'BEGIN {printf "%.1f", k / 1024}')"
done
# What any Wine process costs on this machine, for comparison.
base=()
for _ in $(seq 1 "$runs"); do
    start=$(now_ms)
    timeout 60 wine cmd /c exit 0 >/dev/null 2>&1
    base+=("$(($(now_ms) - start))")
done
echo "(medians; 'beyond pause' takes off the splash's fixed pause; memory of the program's process once its"
echo " window is up; for comparison, 'wine cmd /c exit 0' takes $(printf '%s\n' "${base[@]}" | median) ms here)"
