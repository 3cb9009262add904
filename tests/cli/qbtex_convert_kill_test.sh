#!/usr/bin/env bash
# A qbtex convert run killed while it writes leaves no partial DDS. Stopped by
# SIGTERM it finishes the files it is writing, starts no other, leaves no
# temporary file and ends by that signal; killed outright (SIGKILL) every DDS
# there is still whole, since a file is moved into place only when complete.
#   qbtex_convert_kill_test.sh QBTEX
set -u
qbtex=$1
work=${K4_TEST_TMP:-/tmp}/cli/convert-kill
rm -rf "$work"
mkdir -p "$work/in"
cd "$work" || exit 2
failures=0
fail() {
    echo "FAIL $*"
    failures=$((failures + 1))
}

# A 32-bit TGA of random texels (slow to compress): tga WIDTH HEIGHT FILE
tga() {
    local byte='\\x%02x'
    {
        printf '\0\0\2\0\0\0\0\0\0\0\0\0'
        printf "$(printf "$byte$byte$byte$byte" $(($1 & 255)) $(($1 >> 8)) $(($2 & 255)) $(($2 >> 8)))"
        printf '\x20\x28'
        head -c $(($1 * $2 * 4)) /dev/urandom
    } >"$3"
}
for i in 1 2 3 4 5 6; do
    tga 1024 1024 "in/big$i.tga"
done

# killed_run SIGNAL STATUS: a run of six outputs on two workers, sent SIGNAL
# as soon as it writes its first file; it must end with STATUS, and every
# DDS it left must be one the codec reads.
killed_run() {
    local signal=$1 want=$2 out=$work/out-$1
    "$qbtex" convert --jobs 2 --out "$out" in/*.tga >"$work/stdout-$signal" 2>"$work/stderr-$signal" &
    local pid=$! deadline=$((SECONDS + 120))
    until compgen -G "$out/*.tmp-*" >/dev/null || compgen -G "$out/*.dds" >/dev/null ||
        [ $SECONDS -ge $deadline ]; do
        kill -0 $pid 2>/dev/null || break
    done
    kill -"$signal" $pid 2>/dev/null || fail "$signal: the run ended before the signal"
    wait $pid
    local status=$?
    [ "$status" = "$want" ] || fail "$signal: exit status $status, want $want"
    local written=0
    for dds in "$out"/*.dds; do
        [ -e "$dds" ] || continue
        written=$((written + 1))
        "$qbtex" info "$dds" >/dev/null 2>&1 || fail "$signal: $dds cannot be read"
    done
    [ "$written" -lt 6 ] || fail "$signal: all outputs written, the run was not stopped"
}

killed_run TERM 143
compgen -G "$work/out-TERM/*.tmp-*" >/dev/null && fail "TERM: a temporary file is left"
grep -q '^qbtex: K4QBERR_TEXMGR_USERCANCELLED: stopped, [0-5] of 6 outputs written$' "$work/stderr-TERM" ||
    fail "TERM: no stop message: $(cat "$work/stderr-TERM")"
killed_run KILL 137

[ $failures = 0 ] && echo "qbtex convert kill test: all passed"
exit $((failures > 0))
