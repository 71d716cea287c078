#!/usr/bin/env bash
# The release archives of make dist, each unpacked into a throwaway folder as a user would:
#   check_dist.sh source  DIST WORK VERSION CHECKOUT_BINARY   the source builds where there is
#                         no .git, and its program draws the checkout's picture
#   check_dist.sh console DIST WORK VERSION TESTED_GPE SOURCE the console's folder, its binary
#                         the very one the emulated console tests ran
#   check_dist.sh web     DIST WORK VERSION PAGE_FOLDER       the page's folder, as the web tree
#                         built it, for the browser test to serve
#   check_dist.sh cores   DIST WORK VERSION INFO MACHINE...  each core's folder: the core as
#                         built and tested (its code and data, less what a debugger reads), the
#                         information file, the licence and a guide for that system; a MACHINE is
#                         a row of cmake/Machines.cmake, MACHINE=PREFIX=CORE=RUNS=TREE_FOLDER
#   check_dist.sh sums    DIST WORK VERSION                   SHA256SUMS lists every file of
#                         the release, the packages of both architectures among them, and holds
set -euo pipefail
kind=$1 dist=$2 work=$3 version=$4
name=plasmaballs-$version
fail() {
    echo "dist: $*" >&2
    exit 1
}
listing() {
    case $1 in
        *.zip) unzip -Z1 "$1" | grep -v '/$' | sort ;;
        *.tar.gz) tar -tzf "$1" | grep -v '/$' | sort ;;
    esac
}
rm -rf "$work"
mkdir -p "$work"

case $kind in
source)
    binary=$5
    archive=$dist/$name.tar.gz
    [[ -f $archive ]] || fail "$archive is missing (make dist)"
    outside=$(listing "$archive" | grep -v "^$name/" || true)
    [[ -z $outside ]] || fail "$archive has files outside $name/: $outside"
    tar -xzf "$archive" -C "$work"
    tree=$work/$name
    [[ ! -e $tree/.git ]] || fail "$archive holds a .git"
    for file in LICENSE README.md CMakeLists.txt Makefile debian/changelog; do
        [[ -f $tree/$file ]] || fail "$archive has no $file"
    done
    # The whole tree configures (every test's sources are there); the program alone is built,
    # unoptimised, which draws the same pixels sooner.
    cmake -S "$tree" -B "$tree/build/host" >"$work/configure.log" 2>&1 ||
        fail "the unpacked source does not configure: $(tail -n 3 "$work/configure.log")"
    cmake --build "$tree/build/host" -j 2 --target plasmaballs >"$work/build.log" 2>&1 ||
        fail "the unpacked source does not build: $(grep -m 3 -i error "$work/build.log")"
    printf '25 left\n60 down-right+select\n64 none\n' >"$work/script.txt"
    arguments=(--headless --seed 31337 --frames 80 --input "$work/script.txt")
    "$tree/build/host/plasmaballs" "${arguments[@]}" --screenshot "$work/unpacked.png"
    "$binary" "${arguments[@]}" --screenshot "$work/checkout.png"
    cmp -s "$work/unpacked.png" "$work/checkout.png" ||
        fail "the program built from the source archive draws another picture"
    rm -rf "$tree/build"
    echo "dist: the source archive builds without .git and draws the checkout's picture"
    ;;
console)
    tested=$5 source=$6
    archive=$dist/$name-console.zip
    [[ -f $archive ]] || fail "$archive is missing (make dist)"
    expected=$(printf '%s\n' plasmaballs/LICENSE plasmaballs/README.txt plasmaballs/plasmaballs.gpe)
    [[ $(listing "$archive") == "$expected" ]] || fail "$archive holds: $(listing "$archive")"
    unzip -q "$archive" -d "$work"
    packed=$(sha256sum <"$work/plasmaballs/plasmaballs.gpe")
    [[ $packed == "$(sha256sum <"$tested")" ]] ||
        fail "the archive's plasmaballs.gpe is not the one the console tests ran ($tested)"
    cmp -s "$work/plasmaballs/LICENSE" "$source/LICENSE" || fail "the archive's LICENSE differs"
    guide=$work/plasmaballs/README.txt
    for words in "plasmaballs $version" "Never run it on a PC" "SD card" "START"; do
        grep -qF "$words" "$guide" || fail "the guide does not say \"$words\""
    done
    echo "dist: the console archive holds the tested binary (SHA-256 ${packed%% *})"
    ;;
web)
    built=$5
    archive=$dist/$name-web.zip
    [[ -f $archive ]] || fail "$archive is missing (make dist)"
    expected=$({
        echo "$name-web/README.txt"
        (cd "$built" && find . -type f -printf "$name-web/%P\n")
    } | sort)
    [[ $(listing "$archive") == "$expected" ]] ||
        fail "$archive does not hold what the web tree built:
$(diff <(echo "$expected") <(listing "$archive"))"
    unzip -q "$archive" -d "$work"
    [[ $(wc -l <"$work/$name-web/README.txt") == 1 ]] || fail "the serving note is not one line"
    echo "dist: the web archive holds the page as the web tree built it"
    ;;
cores)
    info=$5
    shift 5
    for row in "$@"; do
        IFS='=' read -r platform prefix file _ tree <<<"$row"
        [[ -n $tree ]] || fail "\"$row\" is not MACHINE=PREFIX=CORE=RUNS=TREE_FOLDER"
        built=$tree/$file
        folder=$name-libretro-$platform
        archive=$dist/$folder.zip
        [[ -f $archive ]] || fail "$archive is missing (make dist)"
        expected=$(printf "$folder/%s\n" LICENSE README.txt "$file" plasmaballs_libretro.info |
            LC_ALL=C sort)
        [[ $(listing "$archive" | LC_ALL=C sort) == "$expected" ]] ||
            fail "$archive holds: $(listing "$archive")"
        unzip -q "$archive" -d "$work"
        cmp -s "$work/$folder/plasmaballs_libretro.info" "$info" ||
            fail "$archive's information file is not the tree's"
        # What is loaded and run must be what was tested: each section a loader maps.
        objcopy=${prefix}objcopy
        for section in .text .rodata .rdata .data; do
            "$objcopy" -O binary --only-section="$section" "$built" "$work/built$section"
            "$objcopy" -O binary --only-section="$section" "$work/$folder/$file" "$work/packed$section"
            cmp -s "$work/built$section" "$work/packed$section" ||
                fail "$archive's $file differs from $built in $section"
        done
        [[ -s $work/built.text ]] || fail "no code read from $built"
        for words in "plasmaballs $version" "$platform" "$file" "Load Core" "Core Info"; do
            grep -qF "$words" "$work/$folder/README.txt" ||
                fail "$folder's guide does not say \"$words\""
        done
        echo "dist: $folder.zip holds the tested core for $platform"
    done
    ;;
sums)
    sums=$dist/SHA256SUMS
    [[ -f $sums ]] || fail "$sums is missing (make dist)"
    listed=$(sed 's/^[0-9a-f]\{64\}  //' "$sums" | sort)
    present=$(cd "$dist" && ls | grep -vx SHA256SUMS | sort)
    [[ $listed == "$present" ]] || fail "SHA256SUMS does not list the release's files:
$(diff <(echo "$present") <(echo "$listed"))"
    for arch in $(printf '%s\n' "$(dpkg --print-architecture)" arm64 | sort -u); do
        for package in plasmaballs libretro-plasmaballs; do
            grep -qx "${package}_${version}_$arch.deb" <<<"$listed" ||
                fail "the release has no ${package}_${version}_$arch.deb"
        done
    done
    (cd "$dist" && sha256sum --quiet -c SHA256SUMS) || fail "sha256sum -c SHA256SUMS fails"
    echo "dist: SHA256SUMS lists the $(wc -l <<<"$listed") files of the release and holds"
    ;;
*)
    fail "unknown kind $kind"
    ;;
esac
