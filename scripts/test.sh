#!/usr/bin/env bash
# Second command of the README: runs the whole test suite.
# Builds each configuration once and runs its tests:
#   vanilla, sse           - the two editions as shipped
#   asan-vanilla, asan-sse - the same under AddressSanitizer + UndefinedBehaviorSanitizer
#                            (asan-sse: only the tests of the plug-in's own code)
#   tsan                   - only the tests that run threads (the player's ring, render -j 4
#                            against -j 1) under ThreadSanitizer; only their programs are built
#   windows                - the plug-in cross-built as Windows DLLs (both editions) and its
#                            Windows tests run under Wine (scripts/test-windows.sh)
#   i686                   - both editions built for 32-bit Linux, their tests run under
#                            qemu-i386 and their renders compared with build/vanilla's and
#                            build/sse's to the last bit (scripts/test-i686.sh)
#   fuzz                   - every libFuzzer target for a bounded time (TARNWICK_FUZZ_SECONDS
#                            per target, 30 by default); any finding fails the run
# The tests of `qarvel play` (ctest's sound.*) start a PulseAudio server of their own with a
# null sink (tests/sound/sound_server.sh, a ctest fixture) and stop it afterwards.
set -uo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh || exit 1

jobs=$(nproc)
failed=()
# Line tables only: failures keep their file and line, and each configuration builds in less
# time than with full debug information (the code generated is the same).
line_tables=(-DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG"
             -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG")
run_config() {
    local name=$1; shift
    local started=$SECONDS
    echo "=== $name: build"
    if ! scripts/build.sh "$name" "$@"; then
        failed+=("$name (build)")
        return
    fi
    echo "=== $name: tests (built in $((SECONDS - started)) s)"
    started=$SECONDS
    if ! ctest --test-dir "build/$name" --output-on-failure -j "$jobs" --timeout 600; then
        failed+=("$name (tests)")
    fi
    echo "$name tests took $((SECONDS - started)) s"
}

# The vanilla folder also builds the SSE plug-in, so that the editions are compared once.
run_config vanilla -DTARNWICK_EDITION=vanilla "${line_tables[@]}"
run_config sse -DTARNWICK_EDITION=sse -DTARNWICK_OTHER_EDITION=OFF "${line_tables[@]}"
run_config asan-vanilla -DTARNWICK_EDITION=vanilla -DTARNWICK_SANITIZE=ON -DTARNWICK_BENCH=OFF \
    "${line_tables[@]}"
# Under the sanitizers the SSE edition runs the tests of the plug-in's own code, the only code
# that differs between editions; qarvel, its host and textbridge ran under them in asan-vanilla.
run_config asan-sse -DTARNWICK_EDITION=sse -DTARNWICK_SANITIZE=ON -DTARNWICK_BENCH=OFF \
    -DTARNWICK_TEST_FOLDERS="shell;loader;writer;player;engine;mixer;song;golden;alloc;robustness;decoder;prefs;plugin" \
    "${line_tables[@]}"

echo "=== tsan: build"
if cmake -S . -B build/tsan -G Ninja -DTARNWICK_EDITION=vanilla -DTARNWICK_SANITIZE_THREADS=ON \
        -DTARNWICK_BENCH=OFF -DTARNWICK_OTHER_EDITION=OFF "${line_tables[@]}" \
        > build/tsan.configure.log 2>&1 &&
    cmake --build build/tsan -j "${TARNWICK_BUILD_JOBS:-$jobs}" \
        --target tarnwick_playback_tests tarnwick_cli_e2e_tests; then
    echo "=== tsan: tests"
    if ! ctest --test-dir build/tsan -R '^(playback\.SampleRing|cli_e2e\.QarvelParallelRender)\.' \
            --no-tests=error --output-on-failure --timeout 600; then
        failed+=("tsan (tests)")
    fi
else
    cat build/tsan.configure.log
    failed+=("tsan (build)")
fi

echo "=== windows"
windows_started=$SECONDS
if ! scripts/test-windows.sh; then
    failed+=("windows")
fi
echo "windows step took $((SECONDS - windows_started)) s"

echo "=== i686"
i686_started=$SECONDS
if ! scripts/test-i686.sh; then
    failed+=("i686")
fi
echo "i686 step took $((SECONDS - i686_started)) s"

echo "=== fuzz"
fuzz_started=$SECONDS
if ! scripts/fuzz.sh "${TARNWICK_FUZZ_SECONDS:-30}"; then
    failed+=("fuzz")
fi
echo "fuzz step took $((SECONDS - fuzz_started)) s, the whole run $SECONDS s"

if [ ${#failed[@]} -ne 0 ]; then
    echo "FAILED: ${failed[*]}"
    exit 1
fi
echo "All configurations passed."
