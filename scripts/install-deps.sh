#!/usr/bin/env bash
# Installs the Debian packages that building and testing tarnwick need, when any is missing.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    libgtest-dev libgmock-dev libbenchmark-dev
    clang libclang-rt-14-dev
    libcli11-dev libsndfile1-dev
    libsdl2-dev libasound2-dev pulseaudio pulseaudio-utils tmux
)

exec "$(dirname "$0")/install-packages.sh" "${packages[@]}"
