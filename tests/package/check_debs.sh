#!/usr/bin/env bash
# The two Debian packages of make deb, each extracted into a throwaway root (never installed):
# exactly the expected files, and the extracted program's picture equal to the checkout's.
#   check_debs.sh DEB_DIR ROOTS VERSION CHECKOUT_BINARY
set -euo pipefail
debs=$1 roots=$2 version=$3 binary=$4
id=org.plasmaballs.plasmaballs
fail() {
    echo "deb: $*" >&2
    exit 1
}
arch=$(dpkg --print-architecture)
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null)

found=$(cd "$debs" && ls -- *.deb 2>/dev/null | sort || true)
wanted=$(printf '%s\n' "libretro-plasmaballs_${version}_$arch.deb" "plasmaballs_${version}_$arch.deb")
[[ $found == "$wanted" ]] || fail "$debs holds \"$found\", not the two packages of $version (make deb)"

icons() {
    for size in 16 24 32 48 64 128 256; do
        echo "usr/share/icons/hicolor/${size}x$size/apps/$id.png"
    done
}
expect_plasmaballs() {
    {
        echo usr/games/plasmaballs
        echo usr/share/applications/$id.desktop
        echo usr/share/doc/plasmaballs/README.md.gz
        echo usr/share/doc/plasmaballs/changelog.gz
        echo usr/share/doc/plasmaballs/copyright
        icons
        echo usr/share/man/man6/plasmaballs.6.gz
        echo usr/share/metainfo/$id.metainfo.xml
    } | sort
}
expect_libretro-plasmaballs() {
    sort <<LIST
usr/lib/$multiarch/libretro/plasmaballs_libretro.so
usr/share/doc/libretro-plasmaballs/changelog.gz
usr/share/doc/libretro-plasmaballs/copyright
usr/share/libretro/info/plasmaballs_libretro.info
usr/share/lintian/overrides/libretro-plasmaballs
LIST
}

rm -rf "$roots"
for package in plasmaballs libretro-plasmaballs; do
    root=$roots/$package
    mkdir -p "$root"
    dpkg-deb -x "$debs/${package}_${version}_$arch.deb" "$root"
    files=$(cd "$root" && find . \( -type f -o -type l \) -printf '%P\n' | sort)
    expected=$("expect_$package")
    [[ $files == "$expected" ]] || fail "$package holds other files than expected:
$(diff <(echo "$expected") <(echo "$files"))"
done

# The packaged program, built with Debian's flags, draws what the checkout's draws.
work=$roots/run
mkdir -p "$work"
printf '40 up-right\n70 select\n' >"$work/script.txt"
arguments=(--headless --seed 2718 --frames 90 --input "$work/script.txt")
"$roots/plasmaballs/usr/games/plasmaballs" "${arguments[@]}" --screenshot "$work/packaged.png" ||
    fail "the packaged plasmaballs failed"
"$binary" "${arguments[@]}" --screenshot "$work/checkout.png"
cmp -s "$work/packaged.png" "$work/checkout.png" ||
    fail "the packaged plasmaballs drew another picture than the checkout's"
echo "deb: both packages hold the expected files; the packaged program draws the same picture"
