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

void render_edition(benchmark::State& state, const char* path) {
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
    standin::append_settings_record(settings, "rsmode", static_cast<int32_t>(state.range(0)));
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

void BM_EditionRender_Vanilla(benchmark::State& state) {
    render_edition(state, TARNWICK_EDITION_SSE ? TARNWICK_OTHER_PLUGIN : TARNWICK_OWN_PLUGIN);
}
void BM_EditionRender_SSE(benchmark::State& state) {
    render_edition(state, TARNWICK_EDITION_SSE ? TARNWICK_OWN_PLUGIN : TARNWICK_OTHER_PLUGIN);
}
BENCHMARK(BM_EditionRender_Vanilla)->Arg(0)->Arg(1)->Arg(2)->ArgName("mode")->MinTime(1.0);
BENCHMARK(BM_EditionRender_SSE)->Arg(0)->Arg(1)->Arg(2)->ArgName("mode")->MinTime(1.0);

}  // namespace
}  // namespace tarnwick::bench
