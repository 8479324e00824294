#!/usr/bin/env bash
# Line and region coverage that the fuzz corpora reach in the plug-in's code:
#   scripts/fuzz-coverage.sh [CORPUS_ROOT]
# Builds the fuzz targets once more with clang's source-based coverage (build/fuzz-coverage),
# replays every input of CORPUS_ROOT/<target> (default build/fuzz/corpus) and the seeds through
# its target without mutating anything, and prints llvm-cov's report per file of shell/,
# decoder/, loader/, engine/ and mixer/. The HTML report lands in build/fuzz-coverage/html.
set -euo pipefail
cd "$(dirname "$0")/.."
corpora=${1:-build/fuzz/corpus}
dir=build/fuzz-coverage
flags="-fprofile-instr-generate -fcoverage-mapping"

scripts/install-deps.sh
if ! command -v llvm-cov-14 > /dev/null || ! command -v llvm-profdata-14 > /dev/null; then
    sudo_=""; [ "$(id -u)" -ne 0 ] && sudo_=sudo
    $sudo_ apt-get install -y -qq llvm-14 > /dev/null
fi
scripts/build.sh fuzz-coverage -DCMAKE_CXX_COMPILER=clang++ -DTARNWICK_EDITION=sse \
    -DTARNWICK_FUZZ=ON -DTARNWICK_TESTS=OFF -DTARNWICK_BENCH=OFF \
    -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags" > /dev/null

rm -rf "$dir/profiles" "$dir/seeds"
mkdir -p "$dir/profiles"
LLVM_PROFILE_FILE="$dir/seeds.profraw" "$dir/fuzz/tarnwick_fuzz_seeds" "$dir/seeds"
objects=()
for binary in "$dir"/fuzz/fuzz_*; do
    t=$(basename "$binary" | sed 's/^fuzz_//')
    inputs=()
    [ -d "$corpora/$t" ] && inputs+=("$corpora/$t")
    [ -d "$dir/seeds/$t" ] && inputs+=("$dir/seeds/$t")
    [ ${#inputs[@]} -gt 0 ] || continue
    # -runs=0 runs every input once and stops; leaks and timeouts are the fuzz step's business.
    LLVM_PROFILE_FILE="$dir/profiles/$t.profraw" ASAN_OPTIONS=detect_leaks=0 \
        "$binary" "${inputs[@]}" -runs=0 > "$dir/$t.replay.log" 2>&1
    echo "replayed $t: $(find "${inputs[@]}" -type f | wc -l) inputs"
    objects+=(-object "$binary")
done
# llvm-cov takes its first binary as a plain argument and every further one after -object:
# "${objects[@]:1}" drops only the first "-object", so that the first binary stands alone.
llvm-profdata-14 merge -sparse "$dir"/profiles/*.profraw -o "$dir/corpora.profdata"
sources=("$PWD/shell" "$PWD/decoder" "$PWD/loader" "$PWD/engine" "$PWD/mixer")
llvm-cov-14 report "${objects[@]:1}" --instr-profile="$dir/corpora.profdata" "${sources[@]}"
llvm-cov-14 show "${objects[@]:1}" --instr-profile="$dir/corpora.profdata" -format=html \
    -output-dir="$dir/html" "${sources[@]}" > /dev/null
echo "HTML report: $dir/html/index.html"
