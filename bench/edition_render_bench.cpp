// The two editions' render speed side by side, in one run: both plug-in libraries of this
// build folder (this edition's and the other's) loaded as the host loads them, each decoding
// the same dense looping song block after block in each interpolation mode. The ratio of
// their frames/s is the price of the vanilla edition's x87 arithmetic.

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

void render_edition(benchmark::State& state, const char* path, int32_t rsmode) {
    if (path[0] == '\0') {
        state.SkipWithError("the other edition's library was not built");
        return;
    }
    std::string error;
    const std::unique_ptr<standin::PluginLibrary> plugin =
        standin::PluginLibrary::load(path, &error);
    if (!plugin) {
        state.SkipWithError(error.c_str());
        return;
    }
    std::vector<uint8_t> settings;
    standin::append_settings_record(settings, "srate", kRate);
    standin::append_settings_record(settings, "rsmode", rsmode);
    standin::append_settings_record(settings, "loop", 1);  // the song never ends
    plugin->load_settings(settings);

    const writer::Bytes image = dense_song(24, 0).build();
    standin::MemoryFile file(image.data(), image.size());
    standin::TrackReport report;
    standin::ServiceRef<qarvel::Decoder> decoder = plugin->new_decoder();
    if (!decoder || !decoder->open(&file, &report, qarvel::OPEN_DECODE)) {
        state.SkipWithError("the song did not open");
        return;
    }
    standin::BlockBuffer block;
    uint64_t frames = 0;
    for (auto _ : state) {
        if (decoder->decode(&block) != 1) {
            state.SkipWithError("decoding stopped");
            return;
        }
        frames += block.frames();
        benchmark::DoNotOptimize(block.samples());
    }
    state.counters["frames/s"] =
        benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
    state.counters["realtime"] =
        benchmark::Counter(static_cast<double>(frames) / kRate, benchmark::Counter::kIsRate);
}

// The "rsmode" setting's values: 0 nearest, 1 linear, 2 cubic.
constexpr int32_t kNearest = 0;
constexpr int32_t kLinear = 1;
constexpr int32_t kCubic = 2;

void BM_EditionRender_Vanilla(benchmark::State& state, int32_t rsmode) {
    render_edition(state, TARNWICK_EDITION_SSE ? TARNWICK_OTHER_PLUGIN : TARNWICK_OWN_PLUGIN,
                   rsmode);
}
void BM_EditionRender_SSE(benchmark::State& state, int32_t rsmode) {
    render_edition(state, TARNWICK_EDITION_SSE ? TARNWICK_OWN_PLUGIN : TARNWICK_OTHER_PLUGIN,
                   rsmode);
}
BENCHMARK_CAPTURE(BM_EditionRender_Vanilla, nearest, kNearest)->MinTime(1.0);
BENCHMARK_CAPTURE(BM_EditionRender_Vanilla, linear, kLinear)->MinTime(1.0);
BENCHMARK_CAPTURE(BM_EditionRender_Vanilla, cubic, kCubic)->MinTime(1.0);
BENCHMARK_CAPTURE(BM_EditionRender_SSE, nearest, kNearest)->MinTime(1.0);
BENCHMARK_CAPTURE(BM_EditionRender_SSE, linear, kLinear)->MinTime(1.0);
BENCHMARK_CAPTURE(BM_EditionRender_SSE, cubic, kCubic)->MinTime(1.0);

}  // namespace
}  // namespace tarnwick::bench
