#!/usr/bin/env bash
# Configures and builds one build directory: scripts/build.sh NAME [cmake options...]
# NAME is the folder under build/ (vanilla, sse, asan-vanilla, ...).
set -euo pipefail
cd "$(dirname "$0")/.."
name=$1; shift
dir=build/$name
mkdir -p build
cmake -S . -B "$dir" -G Ninja "$@" > "$dir.configure.log" 2>&1 || { cat "$dir.configure.log"; exit 1; }
cmake --build "$dir" -j "${TARNWICK_BUILD_JOBS:-$(nproc)}"
