#!/usr/bin/env bash
# cmake --install into a throwaway root: exactly the expected files, each accepted by its
# validator (desktop entry, AppStream metadata, manual page) and the icons of their sizes.
#   check_install.sh BUILD_DIR ROOT LIBDIR
set -euo pipefail
build=$1 root=$2 libdir=$3
id=org.plasmaballs.plasmaballs
fail() {
    echo "install: $*" >&2
    exit 1
}

rm -rf "$root"
cmake --install "$build" --prefix "$root/usr" >/dev/null

expected=$(sort <<LIST
usr/bin/plasmaballs
usr/$libdir/libretro/plasmaballs_libretro.so
usr/share/applications/$id.desktop
usr/share/doc/plasmaballs/LICENSE
usr/share/doc/plasmaballs/README.md
usr/share/icons/hicolor/16x16/apps/$id.png
usr/share/icons/hicolor/24x24/apps/$id.png
usr/share/icons/hicolor/32x32/apps/$id.png
usr/share/icons/hicolor/48x48/apps/$id.png
usr/share/icons/hicolor/64x64/apps/$id.png
usr/share/icons/hicolor/128x128/apps/$id.png
usr/share/icons/hicolor/256x256/apps/$id.png
usr/share/libretro/info/plasmaballs_libretro.info
usr/share/man/man6/plasmaballs.6
usr/share/metainfo/$id.metainfo.xml
usr/share/mime/packages/$id.xml
LIST
)
found=$(cd "$root" && find . -type f -printf '%P\n' | sort)
[[ $found == "$expected" ]] || fail "the installed files differ from the expected ones:
$(diff <(echo "$expected") <(echo "$found"))"

# Each validator must have nothing to say.
said=$(desktop-file-validate "$root/usr/share/applications/$id.desktop" 2>&1) ||
    fail "desktop-file-validate: $said"
[[ -z $said ]] || fail "desktop-file-validate: $said"
said=$(appstreamcli validate --no-net --pedantic "$root/usr/share/metainfo/$id.metainfo.xml" 2>&1) ||
    fail "appstreamcli validate: $said"
if grep -q '^[EWIP]: ' <<<"$said"; then fail "appstreamcli validate: $said"; fi
# The run files' type reads as a database of its own, with the glob a file manager matches.
update-mime-database "$root/usr/share/mime" >/dev/null 2>&1 ||
    fail "update-mime-database refuses $id.xml"
grep -qx 'application/x-plasmaballs-run:\*\.pbrun' "$root/usr/share/mime/globs" ||
    fail "the mime database has no *.pbrun glob"
said=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l \
    "$root/usr/share/man/man6/plasmaballs.6" 2>&1 >/dev/null) || fail "man: $said"
[[ -z $said ]] || fail "man --warnings: $said"

# An icon is a PNG of its folder's size, RGBA (colour type 6), with transparent corners drawn by
# make_icon: here the header's width, height and colour type are what a desktop reads first.
for size in 16 24 32 48 64 128 256; do
    icon=$root/usr/share/icons/hicolor/${size}x$size/apps/$id.png
    header=$(od -An -tx1 -N26 "$icon" | tr -d ' \n')
    want=$(printf '89504e470d0a1a0a0000000d49484452%08x%08x08' "$size" "$size")06
    [[ $header == "$want" ]] || fail "$icon is not a ${size}x$size RGBA PNG (header $header)"
done

# The installed program runs from there.
version=$("$root/usr/bin/plasmaballs" --version) || fail "the installed plasmaballs does not run"
[[ $version == "plasmaballs "* ]] || fail "the installed plasmaballs --version says \"$version\""
echo "install: $(wc -l <<<"$found") files as expected, validators silent"
