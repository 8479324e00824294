#!/usr/bin/env bash
# The Windows step of the test command: cross-builds the plug-in DLL in both editions
# (build/win-vanilla with everything the tests need, build/win-sse with its DLL), checks that a
# 32-bit build links (build/win32-vanilla; build only: 32-bit Windows code cannot run here), then
# runs every Windows test under Wine on a virtual screen. When the Linux build folders
# build/vanilla and build/sse hold their qarvel, renders are compared against them.
set -uo pipefail
cd "$(dirname "$0")/.."
scripts/install-windows-deps.sh || exit 1
root=$PWD
jobs=${TARNWICK_BUILD_JOBS:-$(nproc)}

configure() {
    local name=$1; shift
    mkdir -p build
    cmake -S . -B "build/$name" -G Ninja -DTARNWICK_BENCH=OFF \
        -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" "$@" \
        > "build/$name.configure.log" 2>&1 || { cat "build/$name.configure.log"; return 1; }
}

linux_builds=""
if [ -x build/vanilla/qarvel/qarvel ] && [ -x build/sse/qarvel/qarvel ]; then
    linux_builds=$root/build
else
    echo "(no Linux build folders with qarvel: the render comparison is skipped)"
fi

started=$SECONDS
echo "=== win-sse: build"
configure win-sse -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DTARNWICK_EDITION=sse \
    -DTARNWICK_TESTS=OFF || exit 1
cmake --build build/win-sse -j "$jobs" --target qrv_tarnwick || exit 1
echo "=== win-vanilla: build"
configure win-vanilla -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DTARNWICK_EDITION=vanilla -DTARNWICK_WINDOWS_OTHER_EDITION_DIR="$root/build/win-sse" \
    -DTARNWICK_LINUX_BUILDS_DIR="$linux_builds" || exit 1
cmake --build build/win-vanilla -j "$jobs" || exit 1
echo "=== win32-vanilla: build only"
configure win32-vanilla -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake \
    -DTARNWICK_EDITION=vanilla -DTARNWICK_TESTS=OFF || exit 1
cmake --build build/win32-vanilla -j "$jobs" --target qrv_tarnwick || exit 1
cmake -DLIBRARY=build/win32-vanilla/qrv_tarnwick.dll -DOBJDUMP=i686-w64-mingw32-objdump \
    -DEXPORTS=qarvel_get_interface -DIMPORTS=KERNEL32.dll,msvcrt.dll,USER32.dll,textbridge.dll \
    -P tests/windows/check_dll.cmake || exit 1
echo "cross builds took $((SECONDS - started)) s"

echo "=== windows: tests under Wine"
source scripts/wine-session.sh "$root/build/win-vanilla"
status=0
if wine_session_start; then
    ctest --test-dir build/win-vanilla --output-on-failure --timeout 600 || status=1
else
    echo "Wine could not prepare its prefix:"; tail -20 build/win-vanilla/wineboot.log
    status=1
fi
wine_session_end
exit $status
