#!/usr/bin/env bash
# Lists the source tree's files, NUL-separated and relative to its top: in a git checkout the
# tracked and the new files that are not ignored, as they stand; in an unpacked source archive
# everything but what the builds and the browser test's set-up put there.
set -euo pipefail
cd "$(dirname "$0")/.."
if [[ -e .git ]]; then
    git ls-files -z --cached --others --exclude-standard | while IFS= read -r -d '' file; do
        [[ -f $file || -L $file ]] && printf '%s\0' "$file"  # not the ones deleted by hand
    done
else
    find . \( -path ./build -o -path ./plasmaballs.gif -o -name node_modules \) -prune -o \( -type f -o -type l \) \
        -printf '%P\0' | sort -z
fi
