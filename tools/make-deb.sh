#!/usr/bin/env bash
# The desktop tree's target deb (make deb): the two Debian packages, plasmaballs and
# libretro-plasmaballs, built with dpkg-buildpackage from a clean copy of the tree and checked with
# lintian, into build/deb/. build/deb/ is replaced only when both are built and lintian finds no
# error and no warning.
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

mkdir -p build
work=$(mktemp -d "$root/build/deb.XXXXXX")
trap 'rm -rf "$work"' EXIT
source=$work/plasmaballs-$version
mkdir -p "$source" "$work/out"
tools/tree-files.sh | tar --null -T - -cf - | tar -xf - -C "$source"

echo "deb: building the packages (log: build/deb/build.log)"
if ! (cd "$source" && DEB_BUILD_OPTIONS="parallel=$jobs" dpkg-buildpackage -us -uc -b) \
    </dev/null >"$work/out/build.log" 2>&1; then
    tail -n 25 "$work/out/build.log" >&2
    echo "deb: dpkg-buildpackage failed (the last lines of its log are above)" >&2
    exit 1
fi
mv "$work"/*.deb "$work"/*.changes "$work"/*.buildinfo "$work/out/"

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
