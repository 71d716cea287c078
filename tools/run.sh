#!/usr/bin/env bash
# make run: the demo in a window; where no display can be opened, a headless recording instead.
set -uo pipefail
cd "$(dirname "$0")/.."
build/host/plasmaballs "$@"
status=$?
if ((status == 3)); then
    # The program has said in one line that there is no display.
    build/host/plasmaballs --headless --seed "$((RANDOM % 65536))" --frames 300 \
        --record plasmaballs.gif || exit
    echo "plasmaballs: recorded 5 seconds headless to plasmaballs.gif"
    exit 0
fi
exit "$status"
