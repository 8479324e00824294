#!/usr/bin/env bash
# Installs what the Windows builds and their tests need, when any is missing: the MinGW-w64
# cross compilers (posix threads; 64-bit, and 32-bit for the build-only check), Wine (64-bit
# only: 32-bit code cannot run here), a virtual screen, the fonts the dialog is drawn with,
# and python3 for comparing renders. scripts/test-windows.sh calls it.
set -euo pipefail

packages=(
    g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    g++-mingw-w64-i686-posix binutils-mingw-w64-i686
    wine64 xvfb fonts-wine fonts-liberation libxrender1
    libgtest-dev cmake ninja-build python3
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
