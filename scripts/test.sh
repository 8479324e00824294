#!/usr/bin/env bash
# Second command of the README: runs the whole test suite.
# Builds each configuration once and runs its tests:
#   vanilla, sse           - the two editions as shipped
#   asan-vanilla, asan-sse - the same under AddressSanitizer + UndefinedBehaviorSanitizer
#   windows                - the plug-in cross-built as Windows DLLs (both editions) and its
#                            Windows tests run under Wine (scripts/test-windows.sh)
#   fuzz                   - every libFuzzer target for a bounded time (TARNWICK_FUZZ_SECONDS
#                            per target, 45 by default); any finding fails the run
set -uo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh || exit 1

jobs=$(nproc)
failed=()
run_config() {
    local name=$1; shift
    echo "=== $name: build"
    if ! scripts/build.sh "$name" "$@"; then
        failed+=("$name (build)")
        return
    fi
    echo "=== $name: tests"
    if ! ctest --test-dir "build/$name" --output-on-failure -j "$jobs" --timeout 600; then
        failed+=("$name (tests)")
    fi
}

run_config vanilla -DTARNWICK_EDITION=vanilla
run_config sse -DTARNWICK_EDITION=sse
run_config asan-vanilla -DTARNWICK_EDITION=vanilla -DTARNWICK_SANITIZE=ON -DTARNWICK_BENCH=OFF
run_config asan-sse -DTARNWICK_EDITION=sse -DTARNWICK_SANITIZE=ON -DTARNWICK_BENCH=OFF

echo "=== windows"
windows_started=$SECONDS
if ! scripts/test-windows.sh; then
    failed+=("windows")
fi
echo "windows step took $((SECONDS - windows_started)) s"

echo "=== fuzz"
if ! scripts/fuzz.sh "${TARNWICK_FUZZ_SECONDS:-45}"; then
    failed+=("fuzz")
fi

if [ ${#failed[@]} -ne 0 ]; then
    echo "FAILED: ${failed[*]}"
    exit 1
fi
echo "All configurations passed."
