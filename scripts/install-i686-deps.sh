#!/usr/bin/env bash
# Installs what the 32-bit Linux build and its tests need, when any is missing: the i386
# libraries of the system's compilers (gcc-multilib, g++-multilib), qemu's user-mode emulator
# (qemu-i386: this machine's kernel cannot execute 32-bit programs), and GoogleTest's sources,
# which the build compiles for i386. scripts/test-i686.sh calls it.
set -euo pipefail

packages=(
    qemu-user gcc-multilib g++-multilib
    libgtest-dev libcli11-dev cmake ninja-build
)

exec "$(dirname "$0")/install-packages.sh" "${packages[@]}"
