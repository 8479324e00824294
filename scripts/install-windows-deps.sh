#!/usr/bin/env bash
# Installs what the Windows builds and their tests need, when any is missing: the MinGW-w64
# cross compilers (posix threads; 64-bit, and 32-bit for the build-only check), Wine (64-bit
# only: its 32-bit half cannot be installed here), a virtual screen, the fonts the dialog is
# drawn with, and python3 for comparing renders. scripts/test-windows.sh calls it.
set -euo pipefail

packages=(
    g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    g++-mingw-w64-i686-posix binutils-mingw-w64-i686
    wine64 xvfb fonts-wine fonts-liberation libxrender1
    libgtest-dev cmake ninja-build python3
)

exec "$(dirname "$0")/install-packages.sh" "${packages[@]}"
