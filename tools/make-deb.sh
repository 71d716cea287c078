#!/usr/bin/env bash
# The desktop tree's target deb (make deb): the two Debian packages, plasmaballs and
# libretro-plasmaballs, for this machine and for arm64 (cross-built through multiarch), built with
# dpkg-buildpackage from a clean copy of the tree and checked with lintian, into build/deb/.
# build/deb/ is replaced only when all are built and lintian finds no error and no warning. The
# packages are reproducible: the last commit's time is the build's (SOURCE_DATE_EPOCH), and
# Debian's flags map the build path out of the binaries.
#
#   tools/make-deb.sh VERSION      (the project's version, which CMake gives)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=${JOBS:-2}
if (($# != 1)); then
    echo "usage: tools/make-deb.sh VERSION" >&2
    exit 2
fi
version=$1

entry=$(dpkg-parsechangelog -S Version)
if [[ $entry != "$version" ]]; then
    echo "deb: debian/changelog's last entry is $entry, CMakeLists.txt says $version;" \
        "add an entry for $version" >&2
    exit 1
fi

# In an unpacked source archive dpkg takes the time of debian/changelog's last entry.
if [[ -e .git ]]; then
    SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
    export SOURCE_DATE_EPOCH
fi
native=$(dpkg --print-architecture)
architectures=("$native")
[[ $native == arm64 ]] || architectures+=(arm64)

mkdir -p build
work=$(mktemp -d "$root/build/deb.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/out"

for arch in "${architectures[@]}"; do
    source=$work/$arch/plasmaballs-$version
    mkdir -p "$source"
    tools/tree-files.sh | tar --null -T - -cf - | tar -xf - -C "$source"
    cross=()
    [[ $arch == "$native" ]] || cross=(-a "$arch")
    log=$work/out/build-$arch.log
    echo "deb: building the $arch packages (log: build/deb/build-$arch.log)"
    if ! (cd "$source" && DEB_BUILD_OPTIONS="parallel=$jobs" dpkg-buildpackage -us -uc -b \
        "${cross[@]}") </dev/null >"$log" 2>&1; then
        tail -n 25 "$log" >&2
        echo "deb: dpkg-buildpackage failed for $arch (the last lines of its log are above)" >&2
        exit 1
    fi
    mv "$work/$arch"/*.deb "$work/$arch"/*.changes "$work/$arch"/*.buildinfo "$work/out/"
    rm -rf "$source"
done

echo "deb: lintian"
# (Its advice not to run as root is left out: builds here may well run as root.)
if ! lintian --fail-on error,warning "$work/out"/*.changes \
    2> >(grep -v '^running with root privileges is not recommended' >&2); then
    echo "deb: lintian found errors or warnings (above)" >&2
    exit 1
fi

rm -rf build/deb
mv "$work/out" build/deb
for package in build/deb/*.deb; do
    echo "deb: $package ($(stat -c %s "$package") bytes)"
done
