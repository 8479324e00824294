// What a seek costs. DMF songs cannot be entered in the middle: a player that seeks (qarvel
// play, a media player) opens the song again and decodes forward to the place asked for. This
// opens the dense looping song in the built plug-in, as the host does, and decodes ten minutes
// of it block by block.
//
// Reported counters: seek_s (CPU seconds to decode forward to 10:00) and ns_per_voice_frame.
// Aim: under 0.5 s in linear mode, SSE edition.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "bench/bench_songs.h"
#include "host/host_objects.h"
#include "host/plugin_library.h"
#include "host/settings_records.h"

namespace tarnwick::bench {
namespace {

constexpr uint32_t kRate = 48000;
constexpr uint8_t kTracks = 24;
constexpr uint64_t kSeekFrames = 600ull * kRate;  // ten minutes

// The "rsmode" setting's values.
constexpr int32_t kNearest = 0;
constexpr int32_t kLinear = 1;
constexpr int32_t kCubic = 2;

void BM_SeekTenMinutes(benchmark::State& state, int32_t rsmode) {
    std::string error;
    const std::unique_ptr<standin::PluginLibrary> plugin =
        standin::PluginLibrary::load(TARNWICK_OWN_PLUGIN, &error);
    if (!plugin) {
        state.SkipWithError(error.c_str());
        return;
    }
    std::vector<uint8_t> settings;
    standin::append_settings_record(settings, "srate", kRate);
    standin::append_settings_record(settings, "rsmode", rsmode);
    standin::append_settings_record(settings, "loop", 1);  // ten minutes of a 31-second song
    plugin->load_settings(settings);
    const writer::Bytes image = dense_song(kTracks, 0).build();

    for (auto _ : state) {
        standin::MemoryFile file(image.data(), image.size());
        standin::TrackReport report;
        standin::ServiceRef<qarvel::Decoder> decoder = plugin->new_decoder();
        if (!decoder || !decoder->open(&file, &report, qarvel::OPEN_DECODE)) {
            state.SkipWithError("the song did not open");
            return;
        }
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
        static_cast<double>(kSeekFrames) * kTracks * 1e-9,
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK_CAPTURE(BM_SeekTenMinutes, nearest, kNearest)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SeekTenMinutes, linear, kLinear)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SeekTenMinutes, cubic, kCubic)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tarnwick::bench
