#!/usr/bin/env bash
# End-to-end check of "qbtex pak" and "qbtex content": archives written by
# pakwrite, output and exit status of every sub-command.
#   qbtex_content_test.sh PAKWRITE QBTEX
set -u
pakwrite=$1
qbtex=$2
work=${K4_TEST_TMP:-/tmp}/content/qbtex-commands
rm -rf "$work"
mkdir -p "$work/game/data/pak" "$work/game/data/textures" "$work/src"
cd "$work" || exit 2
failures=0

# expect NAME STATUS EXPECTED-STDOUT -- COMMAND...
expect() {
    local name=$1 status=$2 want=$3
    shift 4
    local got rc
    got=$("$@" 2>"$work/stderr")
    rc=$?
    if [ "$rc" != "$status" ] || [ "$got" != "$want" ]; then
        echo "FAIL $name: status $rc (want $status)"
        echo "--- got:"; echo "$got"; echo "--- want:"; echo "$want"; cat "$work/stderr"
        failures=$((failures + 1))
    fi
}

printf 'old brick' >src/old.dds
printf 'new brick' >src/new.dds
printf 'stone' >src/stone.dds
printf 'loose' >game/data/textures/Brick.dds
"$pakwrite" --time 1000 game/data/pak/a.pak --folder "" --folder 'data\' \
    'data\textures\brick.dds=src/old.dds' --stored data/textures/stone.dds=src/stone.dds \
    --wrapped data/textures/overlays/glow.dds=src/stone.dds || exit 2
"$pakwrite" --version 4 --time 2000 --nuls 3 game/data/pak/b.pak \
    --chained data/textures/brick.dds=src/new.dds data/models/redbrick.dds=src/stone.dds || exit 2
printf 'not an archive' >bad.pak

expect list 0 'data\models\redbrick.dds
data\textures\brick.dds
data\textures\stone.dds
data\textures\overlays\glow.dds' -- "$qbtex" pak list game/data/pak
expect folders-top 0 'data\' -- "$qbtex" pak folders game/data/pak
expect folders-data 0 'data\models\
data\textures\' -- "$qbtex" pak folders game/data/pak 'data\'
expect folders-exact 0 '' -- "$qbtex" pak folders game/data/pak Data/
expect find 0 'data\textures\brick.dds
data\models\redbrick.dds' -- "$qbtex" pak find game/data/pak '*brick*' --folder data --recursive
expect find-none 1 '' -- "$qbtex" pak find game/data/pak '*.tga' --recursive
expect extract 1 "$work/cache/data/textures/brick.dds
$work/cache/data/textures/overlays/glow.dds" -- \
    "$qbtex" pak extract game/data/pak --to "$work/cache" 'DATA\Textures\Brick.DDS' \
    data/textures/missing.dds data/textures/overlays/glow.dds
[ "$(cat cache/data/textures/brick.dds)" = "new brick" ] || { echo "FAIL newest copy"; failures=$((failures + 1)); }
expect info 1 'game/data/pak/b.pak
  version 4, 2 files (2 records), 2 folders, 0 pairs' -- "$qbtex" pak info game/data/pak/b.pak bad.pak
grep -q '^qbtex: IOException: bad.pak$' stderr || { echo "FAIL info error line"; failures=$((failures + 1)); }
expect content-find 0 'loose	data\textures\Brick.dds
pak	data\textures\brick.dds
pak	data\textures\stone.dds' -- "$qbtex" content find game '*.dds' --folder data/textures
expect content-get 0 "game/data/textures/Brick.dds
$work/new/cache2/data/textures/stone.dds" -- \
    "$qbtex" content get game --cache "$work/new/cache2" data/textures/brick.dds data/textures/stone.dds
expect content-missing 1 '' -- "$qbtex" content find nowhere '*'
grep -q '^qbtex: K4QBERR_PAK_INVALIDPATH: nowhere$' stderr || { echo "FAIL invalid path line"; failures=$((failures + 1)); }
expect usage 2 '' -- "$qbtex" pak frobnicate game

[ "$failures" = 0 ] && echo "all qbtex content checks passed"
exit $((failures > 0))
