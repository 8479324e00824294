// The mixing loop alone: one voice, one span of 512 frames, no scheduler. Shows what the
// inner loop costs per frame for a given step, beside the floor of render_bench.cpp.

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "engine/track_player.h"
#include "loader/sample.h"

namespace tarnwick::bench {
namespace {

void BM_MixSpan(benchmark::State& state, uint32_t mode) {
    const float step = static_cast<float>(state.range(0)) / 1000.0f;
    constexpr uint32_t kFrames = 1 << 20;
    Sample sample;
    sample.set_length(kFrames);
    sample.data.reset(new float[kFrames + 2]);
    for (uint32_t k = 0; k < kFrames + 2; ++k) sample.data[k] = std::sin(0.01f * k);
    sample.stored_elements = kFrames + 2;
    TrackPlayer p;
    p.sample = &sample;
    p.sample_active = true;
    p.note_on = true;
    p.resample_mode = mode;
    p.step = step;
    p.gain_left = 0.4f;
    p.gain_right = 0.6f;
    std::vector<float> out(2 * 512);
    for (auto _ : state) {
        if (p.sample_pos > kFrames / 2) p.sample_pos = 0;
        p.load_history();
        p.mix_span(out.data(), 512);
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["ns_per_frame"] = benchmark::Counter(
        512e-9, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK_CAPTURE(BM_MixSpan, nearest, kResampleNearest)
    ->Arg(173)
    ->Arg(900)
    ->Arg(2300)
    ->ArgName("step_x1000");
BENCHMARK_CAPTURE(BM_MixSpan, linear, kResampleLinear)
    ->Arg(173)
    ->Arg(900)
    ->Arg(2300)
    ->ArgName("step_x1000");
BENCHMARK_CAPTURE(BM_MixSpan, cubic, kResampleCubic)
    ->Arg(173)
    ->Arg(900)
    ->Arg(2300)
    ->ArgName("step_x1000");

}  // namespace
}  // namespace tarnwick::bench
