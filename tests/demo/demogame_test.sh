#!/usr/bin/env bash
# Checks the demo install that k4demogame writes, through the program's view
# of game content (qbtex content): loose files hide archived ones, the newer
# archive wins for a file in two archives, the flame series is complete, every
# input type is there, every file decodes, and the output is the same on every
# run.
#   demogame_test.sh K4DEMOGAME QBTEX
set -u
demogame=$1
qbtex=$2
work=${K4_TEST_TMP:-/tmp}/demo/demogame
rm -rf "$work"
mkdir -p "$work"
cd "$work" || exit 2
failures=0
fail() {
    echo "FAIL $*"
    failures=$((failures + 1))
}

"$demogame" game >/dev/null || { echo "FAIL generator"; exit 1; }

# The game content as the program lists it.
"$qbtex" content find game '*' --folder data/textures --recursive >listing.txt ||
    fail "content find (status $?)"

# Loose files that hide archived ones appear once, as loose.
for path in 'data\textures\grass_01.dds' 'data\textures\overlays\overlay_fog.dds'; do
    got=$(grep -F "	$path" listing.txt)
    [ "$got" = "loose	$path" ] || fail "hidden $path: '$got'"
    # ... and the archive does hold its own copy.
    "$qbtex" pak find game/data/pak "$(basename "${path//\\//}")" --recursive | grep -qxF "$path" ||
        fail "$path not archived"
done

# Exactly those two are what qbtex content overrides lists (with both
# pictures read: no "-" columns).
"$qbtex" content overrides game --cache cache >overrides.txt || fail "content overrides (status $?)"
printf '%s\n' 'data\textures\grass_01.dds' 'data\textures\overlays\overlay_fog.dds' |
    cmp -s - <(cut -f1 overrides.txt) || fail "overrides: $(cat overrides.txt)"
grep -q '	-' overrides.txt && fail "overrides not read: $(cat overrides.txt)"

# The file in two archives comes from the newer one (patch01.pak: 256 x 256;
# base.pak holds a 128 x 128 version).
door=$("$qbtex" content get game --cache cache 'data\textures\door_oak.dds') || fail "get door"
"$qbtex" info "$door" | grep -q ': 256x256, 9 levels, DXT1$' || fail "door_oak.dds: $("$qbtex" info "$door")"

# The numbered overlay frames, 00 to 07, all archived.
for n in 0 1 2 3 4 5 6 7; do
    grep -qxF "pak	data\\textures\\overlays\\overlay_flame_0$n.dds" listing.txt || fail "flame frame $n"
done

# Every listed file decodes (archived ones after extraction).
# shellcheck disable=SC2046
"$qbtex" content get game --cache cache $(cut -f2 listing.txt) >paths.txt || fail "content get (status $?)"
[ "$(grep -c . paths.txt)" = "$(grep -c . listing.txt)" ] || fail "not every file was found"
# shellcheck disable=SC2046
"$qbtex" info $(cat paths.txt) >info.txt || fail "info (status $?)"

# Every input type, and DDS in several formats with mip chains.
for ext in dds bmp tga png jpg; do
    grep -q "\.$ext	\|\.$ext$" <(cut -f2 listing.txt) || fail "no .$ext file"
done
for format in DXT1 DXT3 DXT5 A8R8G8B8 R5G6B5 A8L8; do
    grep -q "\.dds: .*, $format$" info.txt || fail "no DDS in $format"
done
grep -q '\.dds: 256x256, 9 levels' info.txt || fail "no full mip chain"
grep -q '\.png: .*, A8R8G8B8$' info.txt || fail "no PNG with alpha"

# Archives: the versions and kinds of entry the reader must handle load
# without records left out.
"$qbtex" pak info game/data/pak/*.pak >pakinfo.txt || fail "pak info (status $?)"
grep -q 'version 4' pakinfo.txt && grep -q 'version 5' pakinfo.txt || fail "archive versions: $(cat pakinfo.txt)"
grep -qi 'left out\|unsafe\|unreferenced' pakinfo.txt && fail "records left out: $(cat pakinfo.txt)"

# The same bytes and times on a second run.
"$demogame" again >/dev/null || fail "second run"
diff -r game again >/dev/null || fail "output differs between runs"
(cd game && find . -type f -printf '%p %T@\n' | sort) >times1.txt
(cd again && find . -type f -printf '%p %T@\n' | sort) >times2.txt
cmp -s times1.txt times2.txt || fail "file times differ between runs"

[ "$failures" -eq 0 ] && echo "demo install: all checks passed"
exit $((failures > 0))
