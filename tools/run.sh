#!/usr/bin/env bash
# make run: the demo headless for now, recorded to plasmaballs.gif.
set -euo pipefail
cd "$(dirname "$0")/.."
build/host/plasmaballs --headless --seed "$((RANDOM % 65536))" --frames 600 --record plasmaballs.gif
echo "plasmaballs: recorded 10 seconds to plasmaballs.gif"
