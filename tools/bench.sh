#!/usr/bin/env bash
# make bench: the desktop benchmarks, then the console's figures under emulation. Never part of
# make test.
set -euo pipefail
cd "$(dirname "$0")/.."

# --- the desktop benchmarks (bench/) ---

# --- the console ---
tools/bench-console.sh
