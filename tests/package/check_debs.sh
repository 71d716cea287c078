#!/usr/bin/env bash
# The Debian packages of make deb for ARCH (this machine's by default), each extracted into a
# throwaway root (never installed): exactly the expected files, and the extracted program's
# picture equal to the checkout's; arm64's program runs under emulation, with the libraries
# multiarch installed for arm64.
#   check_debs.sh DEB_DIR ROOTS VERSION CHECKOUT_BINARY [ARCH]
set -euo pipefail
native=$(dpkg --print-architecture)
debs=$1 roots=$2 version=$3 binary=$4 arch=${5:-$native}
id=org.plasmaballs.plasmaballs
fail() {
    echo "deb: $*" >&2
    exit 1
}
multiarch=$(dpkg-architecture -a "$arch" -qDEB_HOST_MULTIARCH 2>/dev/null)

found=$(cd "$debs" && ls -- *.deb 2>/dev/null | sort || true)
wanted=$(for each in $(printf '%s\n' "$native" arm64 | sort -u); do
    printf '%s\n' "libretro-plasmaballs_${version}_$each.deb" "plasmaballs_${version}_$each.deb"
done | sort)
[[ $found == "$wanted" ]] || fail "$debs holds \"$found\", not the packages of $version (make deb)"

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
        echo usr/share/mime/packages/$id.xml
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
    [[ $files == "$expected" ]] || fail "$package ($arch) holds other files than expected:
$(diff <(echo "$expected") <(echo "$files"))"
done
# Each core for its package's architecture (a cross build that fell back to this machine's
# compiler would not be).
declare -A elf_machines=([amd64]="Advanced Micro Devices X86-64" [arm64]=AArch64)
core=$roots/libretro-plasmaballs/usr/lib/$multiarch/libretro/plasmaballs_libretro.so
machine=$(readelf -h "$core" | sed -n 's/^ *Machine: *//p')
[[ $machine == "${elf_machines[$arch]}" ]] || fail "the $arch core is built for $machine"

# The packaged program, built with Debian's flags, draws what the checkout's draws.
work=$roots/run
mkdir -p "$work"
printf '40 up-right\n70 select\n' >"$work/script.txt"
arguments=(--headless --seed 2718 --frames 90 --input "$work/script.txt")
emulator=()
[[ $arch == "$native" ]] || emulator=(qemu-aarch64 -L /)
"${emulator[@]}" "$roots/plasmaballs/usr/games/plasmaballs" "${arguments[@]}" \
    --screenshot "$work/packaged.png" || fail "the packaged plasmaballs ($arch) failed"
"$binary" "${arguments[@]}" --screenshot "$work/checkout.png"
cmp -s "$work/packaged.png" "$work/checkout.png" ||
    fail "the packaged plasmaballs ($arch) drew another picture than the checkout's"
echo "deb: both $arch packages hold the expected files; the packaged program draws the same picture"
