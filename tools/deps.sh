#!/usr/bin/env bash
# Installs the Debian packages of tools/packages.txt that are not installed yet.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
mapfile -t wanted < <(sed -e 's/#.*//' -e 's/[[:space:]]//g' "$here/packages.txt" | grep -v '^$')

missing=()
for package in "${wanted[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [[ $status == "install ok installed" ]] || missing+=("$package")
done

# --- The browser test's driver (tests/frontends/web): playwright-core from npm, pinned by its lock
# file, into its node_modules when it is not there yet. It drives the system's chromium and
# downloads no browser of its own.
install_web_test_modules() {
    local web=$here/../tests/frontends/web
    [[ -d $web/node_modules/playwright-core ]] && return 0
    if ! command -v npm >/dev/null; then
        echo "deps: npm is missing; it comes with nodejs (tools/packages.txt)" >&2
        return 1
    fi
    echo "deps: installing the browser test's node modules in tests/frontends/web"
    (cd "$web" && npm ci --no-audit --no-fund --loglevel=error) || {
        echo "deps: npm ci in tests/frontends/web failed" >&2
        return 1
    }
}

if ((${#missing[@]} == 0)); then
    install_web_test_modules
    exit 0
fi

echo "deps: installing ${missing[*]}"
if ! command -v apt-get >/dev/null; then
    echo "deps: apt-get is not available; install these packages by hand: ${missing[*]}" >&2
    exit 1
fi
sudo=()
if ((EUID != 0)); then
    if command -v sudo >/dev/null; then
        sudo=(sudo)
    else
        echo "deps: not root and no sudo; install these packages as root: ${missing[*]}" >&2
        exit 1
    fi
fi
export DEBIAN_FRONTEND=noninteractive
if ! "${sudo[@]}" apt-get update -qq || ! "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" </dev/null; then
    echo "deps: apt-get could not install: ${missing[*]}" >&2
    exit 1
fi
install_web_test_modules
