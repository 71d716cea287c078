#!/usr/bin/env bash
# The desktop tree's target dist (make dist): the release archives in build/dist/, named after the
# project's version:
#   plasmaballs-VERSION.tar.gz          the source (git archive of the last commit; in an
#                                       unpacked source archive, its files)
#   plasmaballs-VERSION-console.zip     plasmaballs/: plasmaballs.gpe, README.txt, LICENSE
#   plasmaballs-VERSION-web.zip         plasmaballs-VERSION-web/: the page, ready to serve
#   plasmaballs-VERSION-libretro-PLATFORM.zip, for each machine of cmake/Machines.cmake:
#                                       plasmaballs-VERSION-libretro-PLATFORM/ with the core,
#                                       its information file, LICENSE, README.txt (the guide of
#                                       data/core-where-OS.txt, OS the machine's first word)
#   the Debian packages of make deb     as built and checked there (build/deb/)
#   SHA256SUMS                          of all of them: sha256sum -c SHA256SUMS in build/dist/
# The console binary is the gp2x tree's plasmaballs.gpe as built, the one the emulated console
# tests run; the page is the web tree's page/ folder. Two releases made from the same commit in
# different folders, at different times, are the same bytes: every archive member has the last
# commit's time and no owner, in name order. build/dist/ is replaced only when all are made.
#
#   tools/make-dist.sh VERSION CONSOLE_BINARY PAGE_FOLDER CORE_INFO MACHINE...
# as the desktop tree gives them; each MACHINE is a row of cmake/Machines.cmake as one word,
# MACHINE=PREFIX=CORE=RUNS=TREE_FOLDER.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if (($# < 5)); then
    echo "usage: tools/make-dist.sh VERSION CONSOLE_BINARY PAGE_FOLDER CORE_INFO MACHINE..." >&2
    exit 2
fi
version=$1 gpe=$2 web=$3 core_info=$4
shift 4
machines=("$@")
cd "$root"
name=plasmaballs-$version
needed=("$gpe" "$web/index.html" "$web/plasmaballs.js" "$web/plasmaballs.wasm" "$core_info")
for row in "${machines[@]}"; do
    IFS='=' read -r platform _ core _ tree <<<"$row"
    if [[ -z $tree ]]; then
        echo "dist: \"$row\" is not MACHINE=PREFIX=CORE=RUNS=TREE_FOLDER" >&2
        exit 2
    fi
    if [[ ! -f data/core-where-${platform%%-*}.txt ]]; then
        echo "dist: no guide says where a core of $platform goes" \
            "(data/core-where-${platform%%-*}.txt)" >&2
        exit 2
    fi
    needed+=("$tree/$core")
done
for file in "${needed[@]}"; do
    if [[ ! -f $file ]]; then
        echo "dist: $file is missing (the desktop tree's targets tree_gp2x, tree_web," \
            "libretro_cross and the core build it)" >&2
        exit 1
    fi
done
debs=(build/deb/*.deb)
if [[ ! -f ${debs[0]} ]]; then
    echo "dist: build/deb/ holds no package (make deb builds them)" >&2
    exit 1
fi

mkdir -p build
work=$(mktemp -d "$root/build/dist.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/out"

# Every file in the archives gets the same time: the last commit's, or the version's file's.
if [[ -e .git ]]; then
    stamp=$(git log -1 --format=%ct)
else
    stamp=$(stat -c %Y CMakeLists.txt)
fi

# --- the source ---
if [[ -e .git ]]; then
    git archive --format=tar.gz --prefix="$name/" -o "$work/out/$name.tar.gz" HEAD
    if [[ -n $(git status --porcelain --untracked-files=no) ]]; then
        echo "dist: note: the source archive holds the last commit, not the uncommitted changes"
    fi
else
    tools/tree-files.sh | tar --null -T - --transform "s,^,$name/," --sort=name --owner=0 \
        --group=0 --numeric-owner --mode=u+rw,go=rX --mtime="@$stamp" -cf - |
        gzip -n >"$work/out/$name.tar.gz"
fi

# Zips the folder $2 of the staging area into $1, its files stamped alike, in name order, with
# the same permissions whatever the umask. A zip keeps local time: UTC, whatever the zone.
pack() {
    local archive=$1 folder=$2
    chmod -R u=rwX,go=rX "$work/stage/$folder"
    find "$work/stage/$folder" -exec touch -h -d "@$stamp" {} +
    (cd "$work/stage" && find "$folder" -type f | LC_ALL=C sort |
        TZ=UTC zip -q -X -@ "$work/out/$archive")
}

# --- the console's: the folder to copy onto the SD card ---
mkdir -p "$work/stage/plasmaballs"
cp "$gpe" "$work/stage/plasmaballs/plasmaballs.gpe"
sed "s/@VERSION@/$version/" data/console-guide.txt >"$work/stage/plasmaballs/README.txt"
cp LICENSE "$work/stage/plasmaballs/LICENSE"
pack "$name-console.zip" plasmaballs

# --- the page's: everything the web tree serves, and how to serve it ---
mkdir -p "$work/stage/$name-web"
cp -R "$web/." "$work/stage/$name-web/"
echo "Serve this folder with any static web server and open its address, for example" \
    "\`python3 -m http.server --directory $name-web 8000\` and http://localhost:8000/" \
    "(opened as a file, the browser refuses to load the page's WebAssembly)." \
    >"$work/stage/$name-web/README.txt"
pack "$name-web.zip" "$name-web"

# --- the libretro cores: one archive per platform ---
# Each core as it was tested, less what only a debugger reads; the guide says where RetroArch on
# that system keeps cores and their information files, and how to load it.
for row in "${machines[@]}"; do
    IFS='=' read -r platform prefix core_name _ tree <<<"$row"
    file=$tree/$core_name strip=${prefix}strip where=${platform%%-*}
    folder=$name-libretro-$platform
    mkdir -p "$work/stage/$folder"
    # (A PE file's header gets a time stamp when stripped: the release's, not the clock's.)
    SOURCE_DATE_EPOCH=$stamp "$strip" --strip-unneeded -o "$work/stage/$folder/$core_name" "$file"
    cp "$core_info" "$work/stage/$folder/plasmaballs_libretro.info"
    cp LICENSE "$work/stage/$folder/LICENSE"
    sed -e "/@WHERE@/{r data/core-where-$where.txt" -e 'd}' data/core-guide.txt |
        sed -e "s/@VERSION@/$version/" -e "s/@PLATFORM@/$platform/" -e "s/@CORE@/$core_name/g" \
            >"$work/stage/$folder/README.txt"
    pack "$folder.zip" "$folder"
done

# --- the packages, and the checksums of everything ---
cp "${debs[@]}" "$work/out/"
(cd "$work/out" && export LC_ALL=C && sha256sum -- * >"$work/SHA256SUMS")
mv "$work/SHA256SUMS" "$work/out/SHA256SUMS"

rm -rf build/dist
mv "$work/out" build/dist
for archive in build/dist/*; do
    echo "dist: $archive ($(stat -c %s "$archive") bytes)"
done
