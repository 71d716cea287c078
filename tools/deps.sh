#!/usr/bin/env bash
# Installs what a command needs and is missing: the Debian packages of the named sections of
# tools/packages.txt and, with --node-modules, the browser test's npm modules. With everything
# present it touches no network. When something cannot be installed it says in one line what is
# missing and which command needs it, and fails. A line "control:Build-Depends:ARCH" stands for
# debian/control's Build-Depends as a cross build for ARCH needs them (Debian's multiarch, the
# architecture added when it is not yet).
#
#   tools/deps.sh [--node-modules] COMMAND SECTION...     e.g. tools/deps.sh "make run" build
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)

node_modules=0
arguments=()
for argument in "$@"; do
    if [[ $argument == --node-modules ]]; then
        node_modules=1
    else
        arguments+=("$argument")
    fi
done
if ((${#arguments[@]} < 2)); then
    echo "usage: tools/deps.sh [--node-modules] COMMAND SECTION..." >&2
    exit 2
fi
command_name=${arguments[0]}
set -- "${arguments[@]:1}"

# The packages of the wanted sections, in the order listed, each once.
sections=" $* "
mapfile -t wanted < <(awk -v sections="$sections" '
    { sub(/#.*/, ""); gsub(/[[:space:]]/, "") }
    /^\[.*\]$/ { section = substr($0, 2, length($0) - 2); known[section] = 1; next }
    $0 != "" && index(sections, " " section " ") && !seen[$0]++ { print }
    END {
        n = split(sections, asked, " ")
        for (i = 1; i <= n; i++) if (!(asked[i] in known)) print "?" asked[i]
    }' "$here/packages.txt")
for package in "${wanted[@]}"; do
    if [[ $package == \?* ]]; then
        echo "deps: tools/packages.txt has no section [${package#\?}]" >&2
        exit 2
    fi
done

# The Build-Depends of debian/control, a name a line: versions, architectures and profiles left
# out, the first of alternatives taken, and debhelper-compat skipped (debhelper provides it).
build_depends() {
    awk '/^Build-Depends:/ { on = 1; sub(/^Build-Depends:/, ""); print; next }
         on && /^[ \t]/ { print; next }
         { on = 0 }' "$here/../debian/control" |
        tr ',' '\n' |
        sed -e 's/|.*//' -e 's/([^)]*)//g' -e 's/\[[^]]*\]//g' -e 's/<[^>]*>//g' \
            -e 's/:[a-z0-9]*//' -e 's/[[:space:]]//g' |
        grep -v -e '^$' -e '^debhelper-compat$'
}

# "control:Build-Depends" stands for that list, kept in one place for the packages and the set-up.
expanded=()
for package in "${wanted[@]}"; do
    if [[ $package == control:Build-Depends ]]; then
        mapfile -t -O "${#expanded[@]}" expanded < <(build_depends)
    else
        expanded+=("$package")
    fi
done
mapfile -t wanted < <(printf '%s\n' "${expanded[@]}" | awk '!seen[$0]++')

missing=()
cross=()
native=$(dpkg --print-architecture 2>/dev/null || echo none)
for package in "${wanted[@]}"; do
    if [[ $package == control:Build-Depends:* ]]; then
        arch=${package#control:Build-Depends:}
        if ! dpkg --print-foreign-architectures 2>/dev/null | grep -x "$arch" >/dev/null ||
            ! (cd "$root" && dpkg-checkbuilddeps -a "$arch") >/dev/null 2>&1; then
            cross+=("$arch")
        fi
        continue
    fi
    if [[ $package == command:* ]]; then
        package=${package#command:}
        command -v "$package" >/dev/null || missing+=("$package")
        continue
    fi
    # This machine's own architecture's (or an architecture-free one): a multiarch machine may
    # hold another architecture's package of the same name.
    dpkg-query -W -f='${Status} ${Architecture}\n' "$package" 2>/dev/null |
        grep -E "^install ok installed ($native|all)\$" >/dev/null || missing+=("$package")
done

# The last line of a failed tool's output, to say why in the one line.
last_line() {
    grep -v '^[[:space:]]*$' "$1" | tail -n 1 | cut -c 1-160
}

# npm ends its errors with where its own log is: the reason is the first error line that is not
# a code or that pointer.
npm_reason() {
    local reason
    reason=$(sed -n 's/^npm \(ERR!\|error\) *//p' "$1" |
        grep -v -e '^$' -e '^code ' -e '^errno ' -e '^A complete log' -e '^/' | head -n 1 |
        cut -c 1-160)
    echo "${reason:-$(last_line "$1")}"
}

install_packages() {
    ((${#missing[@]} + ${#cross[@]} > 0)) || return 0
    local sudo=() log arch what=("${missing[@]}")
    for arch in "${cross[@]}"; do
        what+=("debian/control's Build-Depends for $arch")
    done
    if ((EUID != 0)); then
        if ! command -v sudo >/dev/null; then
            echo "deps: $command_name needs ${what[*]}; install them as root (no sudo here)" >&2
            return 1
        fi
        sudo=(sudo)
    fi
    if ! command -v apt-get >/dev/null; then
        echo "deps: $command_name needs ${what[*]}; install them by hand (no apt-get here)" >&2
        return 1
    fi
    echo "deps: installing for $command_name: ${what[*]}"
    log=$(mktemp)
    export DEBIAN_FRONTEND=noninteractive
    if ! { add_architectures && retried update -qq && install_named &&
        install_cross; } </dev/null >"$log" 2>&1; then
        echo "deps: $command_name needs ${what[*]}; apt-get could not install them:" \
            "$(last_line "$log")" >&2
        rm -f "$log"
        return 1
    fi
    rm -f "$log"
}

# A registry's index can be caught while its mirror syncs ("File has unexpected size"): a
# failed apt-get is run again, three times in all, with a pause between.
retried() {
    local attempt
    for attempt in 1 2 3; do
        "${sudo[@]}" apt-get -o DPkg::Lock::Timeout=1200 "$@" && return 0
        ((attempt == 3)) || sleep 20
    done
    return 1
}
add_architectures() {
    local arch
    for arch in "${cross[@]}"; do
        dpkg --print-foreign-architectures | grep -x "$arch" >/dev/null ||
            "${sudo[@]}" dpkg --add-architecture "$arch" || return 1
    done
}
install_named() {
    ((${#missing[@]} == 0)) || retried install -y -qq --no-install-recommends "${missing[@]}"
}
# apt resolves the source tree's Build-Depends for the other architecture: the libraries for it,
# the tools (Multi-Arch: foreign) for this machine.
install_cross() {
    local arch
    for arch in "${cross[@]}"; do
        retried build-dep -y -qq --no-install-recommends -a "$arch" "$root" || return 1
    done
}

# The browser test's driver (tests/frontends/web): playwright-core from npm, pinned by its lock
# file, into its node_modules. It drives the system's chromium and downloads no browser of its own.
install_node_modules() {
    local web=$here/../tests/frontends/web log
    ((node_modules)) || return 0
    # Present, and the version package.json pins: a checkout that moved on fetches it again.
    local pinned installed
    pinned=$(sed -n 's/.*"playwright-core": "\(.*\)".*/\1/p' "$web/package.json")
    installed=$(sed -n 's/^  "version": "\(.*\)".*/\1/p' \
        "$web/node_modules/playwright-core/package.json" 2>/dev/null || true)
    [[ -n $installed && $installed == "$pinned" ]] && return 0
    if ! command -v npm >/dev/null; then
        echo "deps: $command_name needs npm for the browser test's modules (the npm package)" >&2
        return 1
    fi
    echo "deps: installing the browser test's node modules in tests/frontends/web"
    log=$(mktemp)
    if ! (cd "$web" && npm ci --no-audit --no-fund --loglevel=error) </dev/null >"$log" 2>&1; then
        echo "deps: $command_name needs the browser test's node modules (playwright-core);" \
            "npm ci in tests/frontends/web could not fetch them: $(npm_reason "$log")" >&2
        rm -f "$log"
        rm -rf "$web/node_modules"  # nothing half-installed that would pass for complete
        return 1
    fi
    rm -f "$log"
}

install_packages
install_node_modules
