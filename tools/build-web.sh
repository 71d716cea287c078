#!/usr/bin/env bash
# Builds the browser version into build/web/ (index.html, plasmaballs.js, plasmaballs.wasm) with
# the system's emscripten: the demo and the simulated board compiled to WebAssembly, with the
# pulse wait suspending the program between animation frames. Objects go to build/web-obj/ and
# are rebuilt only when a source or header they use has changed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$root/build/web
work=$root/build/web-obj
jobs=${JOBS:-2}

# Debian's emscripten finds its JavaScript tools there; its library cache is prebuilt and frozen.
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}
unset EM_CACHE
for tool in em++ c++; do
    if ! command -v $tool >/dev/null; then
        echo "build-web: $tool is missing (make deps installs it)" >&2
        exit 1
    fi
done

cd "$root"
mkdir -p "$out" "$work"

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
cp -p frontends/web/index.html "$out/index.html"

wasm=$(stat -c %s "$out/plasmaballs.wasm")
script=$(stat -c %s "$out/plasmaballs.js")
echo "build-web: build/web/ ready: plasmaballs.wasm $wasm + plasmaballs.js $script = $((wasm + script)) bytes"
