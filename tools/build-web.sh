#!/usr/bin/env bash
# Builds the browser version into build/web/ with the system's emscripten: the demo and the
# simulated board compiled to WebAssembly (plasmaballs.js, plasmaballs.wasm), with the pulse wait
# suspending the program between animation frames, and the page around it: index.html showing the
# version, the web app manifest with its icons, and the service worker that keeps all of it for
# use offline. Objects go to build/web-obj/ and are rebuilt only when a source or header they use
# has changed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$root/build/web
work=$root/build/web-obj
jobs=${JOBS:-2}

# Debian's emscripten finds its JavaScript tools there; its library cache is prebuilt and frozen.
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}
unset EM_CACHE
for tool in em++ c++ cmake sha256sum; do
    if ! command -v $tool >/dev/null; then
        echo "build-web: $tool is missing (make deps installs it)" >&2
        exit 1
    fi
done

cd "$root"
mkdir -p "$out" "$work"

# The version is set once, in the project() line of CMakeLists.txt.
version=$(sed -n 's/^project(plasmaballs VERSION \([0-9][0-9.]*\).*/\1/p' CMakeLists.txt)
if [[ -z $version ]]; then
    echo "build-web: no \"project(plasmaballs VERSION x.y.z\" line in CMakeLists.txt" >&2
    exit 1
fi

# The trig tables come from their generator, built for this machine.
if [[ ! $work/gen_tables -nt tools/gen_tables.cpp ]]; then
    c++ -std=c++20 -O2 -Wall -Wextra -Werror -o "$work/gen_tables" tools/gen_tables.cpp -lm
fi
if [[ ! $work/generated/trig_tables.cpp -nt $work/gen_tables ]]; then
    mkdir -p "$work/generated"
    "$work/gen_tables" "$work/generated/trig_tables.cpp"
fi

# Exceptions are caught in one function only (a bad script on the page); everywhere else a
# throw stops the program, which keeps the code small and the suspensions simple.
catching=-sEXCEPTION_CATCHING_ALLOWED=[pb_web_parse_script]
compile=(em++ -std=c++20 -O2 -Wall -Wextra -Werror -I"$root" "$catching")

sources=(fixed/*.cpp hw/*.cpp scene/*.cpp driver/*.cpp
         platform/sim/buttons.cpp platform/sim/board.cpp platform/sim/kernel_calls.cpp
         platform/sim/register_access.cpp platform/sim/run_demo.cpp frontends/common/script.cpp
         frontends/web/page_options.cpp frontends/web/pulse_clock.cpp frontends/web/saved_run.cpp
         frontends/web/web_frontend.cpp frontends/web/main.cpp)

# True when $1 is missing or older than anything its dependency file lists.
stale() {
    local object=$1 dep
    [[ -f $object && -f $object.d ]] || return 0
    for dep in $(sed -e 's/^[^:]*://' -e 's/\\$//' "$object.d"); do
        [[ $dep -nt $object ]] && return 0
    done
    return 1
}

compile_one() {
    local source=$1 object=$2 extra=()
    # This libc's <string> brings in <fcntl.h>, whose O_RDWR macro would clash with the
    # platform interface's constant of the same name and value unless that is declared first.
    case $source in
        platform/sim/kernel_calls.cpp | platform/sim/register_access.cpp)
            extra=(-include hw/platform.h) ;;
    esac
    mkdir -p "$(dirname "$object")"
    "${compile[@]}" "${extra[@]}" -MMD -MF "$object.d" -c "$source" -o "$object"
}

objects=()
running=0
for source in "${sources[@]}" "$work/generated/trig_tables.cpp"; do
    object=$work/obj/${source#"$work/"}.o
    objects+=("$object")
    if stale "$object"; then
        echo "build-web: compiling $source"
        compile_one "$source" "$object" &
        if ((++running >= jobs)); then
            wait -n
            ((running--))
        fi
    fi
done
while ((running > 0)); do
    wait -n
    ((running--))
done

link_inputs=("${objects[@]}" frontends/web/page.js "$0")
relink=0
for input in "${link_inputs[@]}"; do
    [[ $input -nt $out/plasmaballs.wasm ]] && relink=1
done
if ((relink)); then
    echo "build-web: linking build/web/plasmaballs.js"
    # 32 MiB of memory: the console's 15 MiB of video memory, its registers, the stack.
    em++ -O2 "$catching" -o "$out/plasmaballs.js" "${objects[@]}" \
        --pre-js frontends/web/page.js \
        -sENVIRONMENT=web -sFILESYSTEM=0 -sINITIAL_MEMORY=33554432 \
        -sASYNCIFY -sASYNCIFY_STACK_SIZE=16384 \
        -sASYNCIFY_IMPORTS=[web_wait_frame,web_wait_for_start,web_suspend_forever]
fi

# The icons are drawn by the desktop tree's make_icon, the tool that draws the desktop's icons
# from the demo's own sprite and palette; it is built there, with the objects it shares.
if [[ ! -f build/host/CMakeCache.txt ]]; then
    cmake --preset host >/dev/null
fi
if ! log=$(cmake --build --preset host --target make_icon -j "$jobs" 2>&1); then
    echo "$log" >&2
    echo "build-web: make_icon could not be built" >&2
    exit 1
fi
for size in 192 512; do
    if [[ ! $out/icon-$size.png -nt build/host/make_icon ]]; then
        build/host/make_icon "$size" "$out/icon-$size.png"
    fi
done

# Writes $2 from the template $1 with the version (and the cache's name) filled in; whole, or
# not at all.
fill() {
    sed -e "s/@VERSION@/$version/g" -e "s/@HASH@/${hash:-}/g" "$1" >"$2.tmp"
    mv "$2.tmp" "$2"
}
fill frontends/web/index.html "$out/index.html"
cp -p frontends/web/manifest.webmanifest "$out/manifest.webmanifest"
# The worker's cache is named by the files it keeps, so any change to them renews it.
cached=(index.html plasmaballs.js plasmaballs.wasm manifest.webmanifest icon-192.png icon-512.png)
hash=$(cd "$out" && cat "${cached[@]}" | sha256sum | cut -c1-16)
fill frontends/web/sw.js "$out/sw.js"

wasm=$(stat -c %s "$out/plasmaballs.wasm")
script=$(stat -c %s "$out/plasmaballs.js")
page=$(find "$out" -type f -printf '%s\n' | awk '{ total += $1 } END { print total }')
echo "build-web: build/web/ ready (plasmaballs $version): plasmaballs.wasm $wasm + plasmaballs.js" \
     "$script = $((wasm + script)) bytes; the whole page $page bytes"
