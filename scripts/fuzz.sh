#!/usr/bin/env bash
# Builds the libFuzzer targets (build/fuzz) and runs each for a bounded time:
#   scripts/fuzz.sh [SECONDS_PER_TARGET] [TARGET...]
# Seeds come from the test DMF writer; findings are written to build/fuzz/findings/ and fail the
# run. Every finding is to become a regression input under tests/data/.
set -uo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true

scripts/build.sh fuzz -DCMAKE_CXX_COMPILER=clang++ -DTARNWICK_EDITION=sse -DTARNWICK_FUZZ=ON \
    -DTARNWICK_TESTS=OFF -DTARNWICK_BENCH=OFF || exit 1

dir=build/fuzz
mkdir -p "$dir/corpus" "$dir/findings"
if [ -x "$dir/fuzz/tarnwick_fuzz_seeds" ]; then
    "$dir/fuzz/tarnwick_fuzz_seeds" "$dir/seeds" || exit 1
fi

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for f in "$dir"/fuzz/fuzz_*; do [ -x "$f" ] && targets+=("$(basename "$f" | sed 's/^fuzz_//')"); done
fi

status=0
for t in "${targets[@]}"; do
    corpus=$dir/corpus/$t
    mkdir -p "$corpus"
    seeds=()
    [ -d "$dir/seeds/$t" ] && seeds+=("$dir/seeds/$t")
    echo "=== fuzz $t: ${seconds}s"
    if ! ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 \
        "$dir/fuzz/fuzz_$t" "$corpus" "${seeds[@]}" \
            -dict=fuzz/dmf.dict -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
            -malloc_limit_mb=1024 -artifact_prefix="$dir/findings/$t-" -print_final_stats=1 \
            > "$dir/$t.log" 2>&1; then
        echo "fuzz $t FAILED; see $dir/$t.log"
        tail -40 "$dir/$t.log"
        status=1
    else
        grep -E '^(#[0-9]+.*DONE|stat::number_of_executed_units|stat::average_exec_per_sec|stat::peak_rss_mb)' "$dir/$t.log" | tr '\n' ' '
        echo
    fi
done
exit $status
