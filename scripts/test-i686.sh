#!/usr/bin/env bash
# The i686 step of the test command: builds the plug-in for 32-bit Linux in both editions
# (build/i686-vanilla: the vanilla edition, and the SSE edition's library beside it) with the
# tests that exercise the arithmetic and the ABI, and runs them under qemu-i386 (ctest runs each
# program through the emulator). When the 64-bit build folders build/vanilla and build/sse hold
# their qarvel, each edition's 32-bit renders are compared with theirs to the last bit.
set -uo pipefail
cd "$(dirname "$0")/.."
scripts/install-i686-deps.sh || exit 1
root=$PWD
jobs=${TARNWICK_BUILD_JOBS:-$(nproc)}
dir=build/i686-vanilla

reference=""
if [ -x build/vanilla/qarvel/qarvel ] && [ -x build/sse/qarvel/qarvel ]; then
    reference=$root/build
else
    echo "(no 64-bit build folders with qarvel: the render comparison is skipped)"
fi

started=$SECONDS
echo "=== i686-vanilla: build"
mkdir -p build
cmake -S . -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/linux-i686.cmake \
    -DTARNWICK_EDITION=vanilla -DTARNWICK_X86_64_BUILDS_DIR="$reference" \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" \
    > "$dir.configure.log" 2>&1 || { cat "$dir.configure.log"; exit 1; }
# Only what the tests run: the test programs, the C host, and the render comparison's helper
# (which brings qarvel and both libraries).
cmake --build "$dir" -j "$jobs" --target \
    tarnwick_engine_tests tarnwick_mixer_tests tarnwick_loader_tests tarnwick_decoder_tests \
    tarnwick_plugin_tests tarnwick_c_host tarnwick_render_check || exit 1
echo "i686 build took $((SECONDS - started)) s"

echo "=== i686-vanilla: tests under qemu-i386"
started=$SECONDS
status=0
ctest --test-dir "$dir" --output-on-failure -j "$jobs" --timeout 900 || status=1
echo "i686 tests under the emulator took $((SECONDS - started)) s"
exit $status
