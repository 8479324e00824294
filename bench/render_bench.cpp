// Rendering throughput of a dense song in each interpolation mode, against the machine's
// floor for one voice: a dependent chain of `sample_frac += step` float additions, one per
// voice-frame, which every mixing loop must run.
//
// Reported counters: frames/s (output frames), realtime (multiples of 48000 frames per
// second), ns_per_voice_frame, and x_floor (ns per voice-frame over the floor's ns per
// addition, measured in the same run). Aims: nearest and linear within 2x of the floor, cubic
// within 3x.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <vector>

#include "bench/bench_songs.h"
#include "engine/track_player.h"
#include "loader/module.h"

namespace tarnwick::bench {
namespace {

constexpr uint32_t kRate = 48000;
constexpr uint32_t kBlock = 512;
constexpr uint8_t kTracks = 24;

// The floor: n dependent float additions. The step is read from a volatile so that the
// compiler cannot know it, and the sum is written to one; float addition is not associative,
// so the chain cannot be folded. (Volatile rather than DoNotOptimize: its register
// constraints do not suit x87 floats.)
float dependent_additions(float step_value, uint64_t n) {
    volatile float source = step_value;
    const float step = source;
    float frac = 0.0f;
    for (uint64_t i = 0; i < n; ++i) frac += step;
    volatile float sink = frac;
    return sink;
}

double thread_cpu_ns() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e9 + static_cast<double>(t.tv_nsec);
}

// ns per addition of the floor chain, measured once per run in CPU time (the time that the
// benchmark rates use), best of a few trials.
double floor_ns_per_addition() {
    static const double ns = [] {
        constexpr uint64_t kAdds = 20000000;
        double best = 1e9;
        for (int trial = 0; trial < 7; ++trial) {
            const double start = thread_cpu_ns();
            dependent_additions(0.173f, kAdds);
            best = std::min(best, (thread_cpu_ns() - start) / kAdds);
        }
        return best;
    }();
    return ns;
}

void BM_FloorFracAddition(benchmark::State& state) {
    constexpr uint64_t kAdds = 1 << 20;
    float sum = 0.0f;
    for (auto _ : state) sum += dependent_additions(0.173f, kAdds);
    volatile float sink = sum;
    (void)sink;
    state.counters["ns_per_addition"] = benchmark::Counter(
        static_cast<double>(kAdds) * 1e-9,
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_FloorFracAddition);

bool open_dense(Module& m, uint32_t mode, int octave_shift) {
    const writer::Bytes image = dense_song(kTracks, octave_shift).build();
    if (!m.load_module(image.data(), image.size())) return false;
    m.compute_length_seconds();
    m.set_resample_mode(mode);
    m.set_mix_volume(0.5f);
    m.set_output_rate(kRate);
    m.set_ramping(true);
    m.set_ramp_ms(3.0f);
    m.looping = true;
    return true;
}

// `mixed` false renders with no output block: the tracks' spans and events are served but no
// voice is mixed, which measures the scheduler's share of a mixed render.
void render_dense(benchmark::State& state, uint32_t mode, int octave_shift, bool mixed = true) {
    Module m;
    if (!open_dense(m, mode, octave_shift)) {
        state.SkipWithError("song did not load");
        return;
    }
    std::vector<float> block(2 * kBlock);
    const double floor_ns = floor_ns_per_addition();
    uint64_t frames = 0;
    for (auto _ : state) {
        std::fill(block.begin(), block.end(), 0.0f);
        const int32_t n = m.render(mixed ? block.data() : nullptr, kBlock);
        if (n != static_cast<int32_t>(kBlock)) {
            state.SkipWithError("render stopped");
            return;
        }
        frames += kBlock;
        benchmark::DoNotOptimize(block.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(frames));
    state.counters["frames/s"] =
        benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
    state.counters["realtime"] =
        benchmark::Counter(static_cast<double>(frames) / kRate, benchmark::Counter::kIsRate);
    // Inverted rates of the elapsed time: ns per voice-frame, and that over the floor's ns.
    state.counters["ns_per_voice_frame"] =
        benchmark::Counter(static_cast<double>(frames) * kTracks * 1e-9,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["floor_ns"] = floor_ns;
    state.counters["x_floor"] =
        benchmark::Counter(static_cast<double>(frames) * kTracks * 1e-9 * floor_ns,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// Every voice upsampled (steps 0.17 to 0.9): the common case.
void BM_RenderDenseSong(benchmark::State& state, uint32_t mode) {
    render_dense(state, mode, 0);
}
BENCHMARK_CAPTURE(BM_RenderDenseSong, nearest, kResampleNearest)->MinTime(1.0);
BENCHMARK_CAPTURE(BM_RenderDenseSong, linear, kResampleLinear)->MinTime(1.0);
BENCHMARK_CAPTURE(BM_RenderDenseSong, cubic, kResampleCubic)->MinTime(1.0);

// Voices two octaves up (steps 0.7 to 3.7): whole-frame advances on most frames.
void BM_RenderDenseSongHighNotes(benchmark::State& state, uint32_t mode) {
    render_dense(state, mode, 2);
}
BENCHMARK_CAPTURE(BM_RenderDenseSongHighNotes, nearest, kResampleNearest)->MinTime(1.0);
BENCHMARK_CAPTURE(BM_RenderDenseSongHighNotes, linear, kResampleLinear)->MinTime(1.0);
BENCHMARK_CAPTURE(BM_RenderDenseSongHighNotes, cubic, kResampleCubic)->MinTime(1.0);

// The same song's spans and events without mixing: the part of BM_RenderDenseSong that is not
// the mixer's (voices do not move, so loops are met later; the figure is close, not exact).
void BM_RenderDenseSongUnmixed(benchmark::State& state, uint32_t mode) {
    render_dense(state, mode, 0, false);
}
BENCHMARK_CAPTURE(BM_RenderDenseSongUnmixed, linear, kResampleLinear)->MinTime(1.0);

void BM_LengthScan(benchmark::State& state) {
    const writer::Bytes image = long_song().build();
    Module m;
    if (!m.load_module(image.data(), image.size())) {
        state.SkipWithError("song did not load");
        return;
    }
    uint32_t seconds = 0;
    for (auto _ : state) benchmark::DoNotOptimize(seconds = m.compute_length_seconds());
    state.counters["song_seconds"] = seconds;
    state.counters["song_s_per_s"] = benchmark::Counter(
        static_cast<double>(seconds), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_LengthScan);

void BM_LoadModule(benchmark::State& state) {
    const writer::Bytes image = dense_song(32, 0, 256).build();
    for (auto _ : state) {
        Module m;
        benchmark::DoNotOptimize(m.load_module(image.data(), image.size()));
    }
    state.SetBytesProcessed(static_cast<int64_t>(image.size()) * state.iterations());
}
BENCHMARK(BM_LoadModule);

}  // namespace
}  // namespace tarnwick::bench
