#!/usr/bin/env bash
# Regenerates docs/preferences-page.png: the Windows DLL's preferences page in qarvel.exe's
# preferences window under Wine, with the default settings, as a user sees it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-windows-deps.sh
root=$PWD
if [ ! -d build/win-vanilla ]; then
    cmake -S . -B build/win-vanilla -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
        -DTARNWICK_EDITION=vanilla -DTARNWICK_BENCH=OFF > build/win-vanilla.configure.log
fi
cmake --build build/win-vanilla -j "${TARNWICK_BUILD_JOBS:-$(nproc)}" --target qarvel
source scripts/wine-session.sh "$root/build/win-vanilla"
trap wine_session_end EXIT
wine_session_start
mkdir -p docs
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }
# A settings file that does not exist: the page shows the defaults.
"$WINE" build/win-vanilla/qarvel.exe --config "$(winpath "$root/build/win-vanilla/defaults.settings")" \
    prefs --screenshot "$(winpath "$root/docs/preferences-page.png")" | tail -1
