// What a seek costs. DMF songs cannot be entered in the middle: a player that seeks (qarvel
// play, a media player) opens the song again and decodes forward to the place asked for. This
// opens the dense looping song in the built plug-in, as the host does, and decodes ten minutes
// of it block by block.
//
// Reported counters: seek_s (CPU seconds to decode forward to 10:00) and ns_per_voice_frame.
// Aim: under 0.5 s in linear mode, SSE edition.

#include <benchmark/benchmark.h>

#include "bench/dense_song_decoder.h"

namespace tarnwick::bench {
namespace {

constexpr uint32_t kRate = 48000;
constexpr uint64_t kSeekFrames = 600ull * kRate;  // ten minutes

void BM_SeekTenMinutes(benchmark::State& state, int32_t rsmode) {
    // Looping: ten minutes of a 31-second song.
    const std::unique_ptr<standin::PluginLibrary> plugin =
        load_looping_plugin(state, TARNWICK_OWN_PLUGIN, kRate, rsmode);
    if (!plugin) return;
    const writer::Bytes image = dense_song(kDenseTracks, 0).build();

    for (auto _ : state) {
        standin::MemoryFile file(image.data(), image.size());
        standin::TrackReport report;
        standin::ServiceRef<qarvel::Decoder> decoder = open_dense_song(state, *plugin, file, report);
        if (!decoder) return;
        standin::BlockBuffer block;
        for (uint64_t frames = 0; frames < kSeekFrames; frames += block.frames()) {
            if (decoder->decode(&block) != 1) {
                state.SkipWithError("decoding stopped");
                return;
            }
        }
        benchmark::DoNotOptimize(block.samples());
    }
    // Per iteration, from CPU time: seconds, and ns per voice-frame.
    state.counters["seek_s"] =
        benchmark::Counter(1.0, benchmark::Counter::kIsIterationInvariantRate |
                                    benchmark::Counter::kInvert);
    state.counters["ns_per_voice_frame"] = benchmark::Counter(
        static_cast<double>(kSeekFrames) * kDenseTracks * 1e-9,
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK_CAPTURE(BM_SeekTenMinutes, nearest, kNearest)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SeekTenMinutes, linear, kLinear)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SeekTenMinutes, cubic, kCubic)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tarnwick::bench
