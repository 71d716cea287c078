#!/usr/bin/env bash
# Prints the project's version, the one set in CMakeLists.txt's project().
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
version=$(sed -n 's/^project(plasmaballs VERSION \([0-9][0-9.]*\)[ )].*/\1/p' "$root/CMakeLists.txt")
if [[ -z $version ]]; then
    echo "version: no project(plasmaballs VERSION x.y.z ...) in CMakeLists.txt" >&2
    exit 1
fi
echo "$version"
