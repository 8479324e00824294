// The two editions' render speed side by side, in one run: both plug-in libraries of this
// build folder (this edition's and the other's) loaded as the host loads them, each decoding
// the same dense looping song block after block in each interpolation mode. The ratio of
// their frames/s is the price of the vanilla edition's x87 arithmetic.

#include <benchmark/benchmark.h>

#include "bench/dense_song_decoder.h"

namespace tarnwick::bench {
namespace {

constexpr uint32_t kRate = 48000;

void render_edition(benchmark::State& state, const char* path, int32_t rsmode) {
    if (path[0] == '\0') {
        state.SkipWithError("the other edition's library was not built");
        return;
    }
    const std::unique_ptr<standin::PluginLibrary> plugin =
        load_looping_plugin(state, path, kRate, rsmode);
    if (!plugin) return;
    const writer::Bytes image = dense_song(kDenseTracks, 0).build();
    standin::MemoryFile file(image.data(), image.size());
    standin::TrackReport report;
    standin::ServiceRef<qarvel::Decoder> decoder = open_dense_song(state, *plugin, file, report);
    if (!decoder) return;
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
