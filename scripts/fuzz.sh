#!/usr/bin/env bash
# Builds the libFuzzer targets (build/fuzz) and runs each for a bounded time:
#   scripts/fuzz.sh [SECONDS_PER_TARGET] [TARGET...]
# Targets (fuzz/*_fuzz.cpp): load_module, render_song, packed_sample, settings_load,
# text_utilities, decoder_service; all of them when none is named. 50 seconds each by default,
# so that the six take about five minutes besides the build.
# Each target starts from its corpus of earlier runs (build/fuzz/corpus/<target>), the seeds
# that the test DMF writer makes (tarnwick_fuzz_seeds) and the regression inputs of
# tests/data of its kind. Any crash, sanitizer report, leak, input slower than the timeout or
# allocation beyond the limits is written to build/fuzz/findings/ and fails the run; every
# finding is to become a regression input under tests/data/ (see tests/robustness/).
set -uo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-50}
shift || true

scripts/install-deps.sh || exit 1
scripts/build.sh fuzz -DCMAKE_CXX_COMPILER=clang++ -DTARNWICK_EDITION=sse -DTARNWICK_FUZZ=ON \
    -DTARNWICK_TESTS=OFF -DTARNWICK_BENCH=OFF || exit 1

dir=build/fuzz
mkdir -p "$dir/corpus" "$dir/findings"
rm -rf "$dir/seeds"
"$dir/fuzz/tarnwick_fuzz_seeds" "$dir/seeds" || exit 1

# Regression inputs join the seeds of the target that replays their kind.
declare -A kind_of=([load_module]=dmf [render_song]=render [packed_sample]=packed
                    [settings_load]=settings [text_utilities]=text
                    [decoder_service]=decode)
for t in "${!kind_of[@]}"; do
    mkdir -p "$dir/seeds/$t"
    for f in tests/data/*."${kind_of[$t]}"; do
        [ -f "$f" ] && cp "$f" "$dir/seeds/$t/"
    done
done
# Every file also seeds the whole-load target, with a settings byte in front of it the render
# target, and opened for information and decoding with no stored settings the decoder target.
# The bytes put in front are the targets' control fields (fuzz/render_settings.h and
# fuzz/decoder_session.h): 0x05 is linear resampling (bits 0-1 = 1) with the light ramp (bit 2)
# at the first rate of the table, 48000 Hz, without looping or raw settings; 0x03 0x00 0x00 is
# OPEN_INFO | OPEN_DECODE with a host that behaves, then a settings length of 0.
for f in tests/data/*.dmf; do
    [ -f "$f" ] || continue
    { printf '\x05'; cat "$f"; } > "$dir/seeds/render_song/$(basename "$f").render"
    { printf '\x03\x00\x00'; cat "$f"; } > "$dir/seeds/decoder_service/$(basename "$f").decode"
done

# The decoder target's input holds stored settings and a file.
declare -A dictionaries_of=([decoder_service]="dmf settings_load")

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for f in "$dir"/fuzz/fuzz_*; do [ -x "$f" ] && targets+=("$(basename "$f" | sed 's/^fuzz_//')"); done
fi

status=0
for t in "${targets[@]}"; do
    if [ ! -x "$dir/fuzz/fuzz_$t" ]; then
        echo "fuzz $t: no such target"
        status=1
        continue
    fi
    corpus=$dir/corpus/$t
    mkdir -p "$corpus"
    seeds=()
    [ -d "$dir/seeds/$t" ] && seeds+=("$dir/seeds/$t")
    # A target's own dictionary, else the dictionaries of the inputs it takes, else the
    # chunk identifiers.
    dict=fuzz/$t.dict
    if [ ! -f "$dict" ] && [ -n "${dictionaries_of[$t]:-}" ]; then
        dict=$dir/$t.dict
        for d in ${dictionaries_of[$t]}; do cat "fuzz/$d.dict"; done > "$dict"
    fi
    [ -f "$dict" ] || dict=fuzz/dmf.dict
    before=$(ls "$dir/findings" | wc -l)
    echo "=== fuzz $t: ${seconds}s"
    # -timeout: seconds one input may take; -rss_limit_mb / -malloc_limit_mb: the memory one
    # input may hold or ask for at once (the loader keeps far below both).
    if ! ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 \
        "$dir/fuzz/fuzz_$t" "$corpus" "${seeds[@]}" \
            -dict="$dict" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
            -malloc_limit_mb=1024 -artifact_prefix="$dir/findings/$t-" -print_final_stats=1 \
            > "$dir/$t.log" 2>&1; then
        echo "fuzz $t FAILED; see $dir/$t.log"
        tail -40 "$dir/$t.log"
        status=1
    elif [ "$(ls "$dir/findings" | wc -l)" -ne "$before" ]; then
        echo "fuzz $t left findings in $dir/findings"
        status=1
    else
        grep -E '^#[0-9]+.*DONE' "$dir/$t.log" | tail -1
        grep -E '^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' \
            "$dir/$t.log" | tr '\n' ' '
        echo
    fi
done
if [ $status -eq 0 ]; then
    echo "fuzz: every target (${#targets[@]}) ran clean"
else
    echo "fuzz: FAILED"
fi
exit $status
