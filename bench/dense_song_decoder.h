#pragma once
// A built plug-in library loaded as the host loads it, with the dense 24-track song opened
// looping in one interpolation mode: what the benchmarks that decode through the ABI share.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "bench/bench_songs.h"
#include "host/host_objects.h"
#include "host/plugin_library.h"
#include "host/settings_records.h"

namespace tarnwick::bench {

// The "rsmode" setting's values.
inline constexpr int32_t kNearest = 0;
inline constexpr int32_t kLinear = 1;
inline constexpr int32_t kCubic = 2;

inline constexpr uint8_t kDenseTracks = 24;

// The library at `path` with its settings loaded: `rate`, `rsmode`, looping (the song never
// ends). Null, with the benchmark skipped and told why, when the library cannot be loaded.
inline std::unique_ptr<standin::PluginLibrary> load_looping_plugin(benchmark::State& state,
                                                                   const char* path,
                                                                   uint32_t rate,
                                                                   int32_t rsmode) {
    std::string error;
    std::unique_ptr<standin::PluginLibrary> plugin = standin::PluginLibrary::load(path, &error);
    if (!plugin) {
        state.SkipWithError(error.c_str());
        return nullptr;
    }
    std::vector<uint8_t> settings;
    standin::append_settings_record(settings, "srate", static_cast<int32_t>(rate));
    standin::append_settings_record(settings, "rsmode", rsmode);
    standin::append_settings_record(settings, "loop", 1);
    plugin->load_settings(settings);
    return plugin;
}

// A decoder of `plugin` with `file` (the dense song) open, or null with the benchmark skipped.
inline standin::ServiceRef<qarvel::Decoder> open_dense_song(benchmark::State& state,
                                                            standin::PluginLibrary& plugin,
                                                            standin::MemoryFile& file,
                                                            standin::TrackReport& report) {
    standin::ServiceRef<qarvel::Decoder> decoder = plugin.new_decoder();
    if (!decoder || !decoder->open(&file, &report, qarvel::OPEN_DECODE)) {
        state.SkipWithError("the song did not open");
        return {};
    }
    return decoder;
}

}  // namespace tarnwick::bench
