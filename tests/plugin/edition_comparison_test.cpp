// The two editions, each as its built library, play the same songs with the same settings:
// the same blocks, the same reported length and track information, and audio that differs
// only by floating-point rounding. The differences measured are printed for the record.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/plugin/loaded_plugin.h"
#include "tests/plugin/plugin_songs.h"

namespace tarnwick::plugin_test {
namespace {

// What rounding may do. Most samples differ in their last bits only (around 1e-8 of full
// scale). Where a rounded value decides something - which frame nearest-neighbour resampling
// takes, on which frame a retrigger lands while the tempo slides - a few frames, or one note
// for a few milliseconds, differ by more. A wrong rendering (a gain, a drifting tempo, a missed
// or misplaced note) differs over many samples and many blocks, and fails these bounds.
constexpr double kAudibleDifference = 1e-4;  // about three steps of 16-bit audio
constexpr double kMostSharePast = 0.005;     // of all samples
constexpr double kMostSongRatio = 0.02;      // difference RMS / signal RMS: -34 dB
constexpr double kRoundingRatio = 0.01;      // a block within -40 dB differs by rounding only
constexpr double kMostBlocksPast = 0.01;     // share of blocks beyond that
constexpr double kMostBlockRatio = 0.5;      // and none beyond -6 dB

struct Rendering {
    double length = -1.0;
    std::vector<std::pair<std::string, std::string>> fields;  // tags and technical fields
    std::vector<double> samples;
    uint32_t blocks = 0;
    int32_t last_result = 1;
};

Rendering render(LoadedPlugin& plugin, const writer::Bytes& image, const SettingValues& settings) {
    plugin.store(settings);
    Rendering out;
    qarvel::Decoder* decoder = plugin.new_decoder();
    if (decoder == nullptr) return out;
    test_host::BytesFile file(image);
    test_host::TrackInfo info;
    if (decoder->open(&file, &info, qarvel::OPEN_INFO | qarvel::OPEN_DECODE)) {
        if (!info.lengths().empty()) out.length = info.lengths().front();
        for (const auto& entry : info.entries()) out.fields.emplace_back(entry.name, entry.value);
        const test_host::DecodedSong song = test_host::decode_to_end(*decoder, 100000);
        out.samples = song.samples;
        out.blocks = song.blocks;
        out.last_result = song.last_result;
    }
    decoder->release();
    plugin.store(SettingValues{});
    return out;
}

struct Difference {
    double largest = 0.0;
    double rms = 0.0;
    double signal_rms = 0.0;
    size_t past_audible = 0;
    double worst_block_ratio = 0.0;  // per block: difference RMS / max(signal RMS, 1e-3)
    size_t blocks = 0;
    size_t blocks_past_rounding = 0;
};

Difference compare(const std::vector<double>& a, const std::vector<double>& b) {
    Difference d;
    double sum_squares = 0.0;
    double signal_squares = 0.0;
    constexpr size_t kBlock = 1024;  // samples of one delivered block
    for (size_t start = 0; start < a.size(); start += kBlock) {
        double block_squares = 0.0;
        double block_signal = 0.0;
        for (size_t i = start; i < std::min(start + kBlock, a.size()); ++i) {
            const double diff = std::fabs(a[i] - b[i]);
            d.largest = std::max(d.largest, diff);
            d.past_audible += diff > kAudibleDifference ? 1 : 0;
            block_squares += diff * diff;
            block_signal += a[i] * a[i];
        }
        const double ratio =
            std::sqrt(block_squares / kBlock) / std::max(std::sqrt(block_signal / kBlock), 1e-3);
        d.worst_block_ratio = std::max(d.worst_block_ratio, ratio);
        ++d.blocks;
        d.blocks_past_rounding += ratio > kRoundingRatio ? 1 : 0;
        sum_squares += block_squares;
        signal_squares += block_signal;
    }
    const double n = static_cast<double>(std::max<size_t>(a.size(), 1));
    d.rms = std::sqrt(sum_squares / n);
    d.signal_rms = std::sqrt(signal_squares / n);
    return d;
}

struct SettingsCase {
    const char* name;
    SettingValues values;
};

std::vector<SettingsCase> settings_cases() {
    SettingValues cubic;
    cubic.srate = 44100;
    cubic.rsmode = 2;
    cubic.ramplen = 8000;
    cubic.vol = 1000;
    SettingValues nearest;
    nearest.srate = 22025;
    nearest.rsmode = 0;
    nearest.ramplen = 0;
    nearest.vol = 100;
    SettingValues fast;
    fast.srate = 96000;
    fast.rsmode = 2;
    fast.ramplen = 0;
    return {{"defaults", SettingValues{}},
            {"cubic, heavy ramps, full volume", cubic},
            {"nearest, no ramps", nearest},
            {"96 kHz cubic", fast}};
}

TEST(EditionComparison, BothEditionsPlayTheSameSongsAlikeUpToRounding) {
    if (other_edition_path()[0] == '\0') {
        GTEST_SKIP() << "the other edition's library was not built (TARNWICK_OTHER_EDITION)";
    }
    std::string error;
    LoadedPlugin* mine = LoadedPlugin::at(this_edition_path(), &error);
    ASSERT_NE(mine, nullptr) << error;
    LoadedPlugin* other = LoadedPlugin::at(other_edition_path(), &error);
    ASSERT_NE(other, nullptr) << error;

    double overall_largest = 0.0;
    for (const NamedSong& song : comparison_songs()) {
        for (const SettingsCase& settings : settings_cases()) {
            SCOPED_TRACE(song.name + ", " + settings.name);
            const Rendering a = render(*mine, song.image, settings.values);
            const Rendering b = render(*other, song.image, settings.values);
            ASSERT_EQ(a.last_result, 0);
            ASSERT_EQ(b.last_result, 0);
            EXPECT_GT(a.blocks, 0u);
            EXPECT_EQ(a.blocks, b.blocks);
            EXPECT_EQ(a.length, b.length);
            EXPECT_EQ(a.fields, b.fields);
            ASSERT_EQ(a.samples.size(), b.samples.size());

            const Difference d = compare(a.samples, b.samples);
            std::printf(
                "[ editions ] %-12s %-32s %5u blocks: largest %.3g, rms %.3g (signal "
                "%.3g), %zu samples past 1e-4, %zu blocks past -40 dB, worst %.3g\n",
                song.name.c_str(), settings.name, a.blocks, d.largest, d.rms, d.signal_rms,
                d.past_audible, d.blocks_past_rounding, d.worst_block_ratio);
            EXPECT_GT(d.signal_rms, 1e-3) << "the song should be heard";
            EXPECT_LE(static_cast<double>(d.past_audible),
                      kMostSharePast * static_cast<double>(a.samples.size()));
            EXPECT_LE(d.rms, kMostSongRatio * d.signal_rms);
            EXPECT_LE(static_cast<double>(d.blocks_past_rounding),
                      kMostBlocksPast * static_cast<double>(d.blocks));
            EXPECT_LE(d.worst_block_ratio, kMostBlockRatio);
            overall_largest = std::max(overall_largest, d.largest);
        }
    }
    std::printf("[ editions ] largest difference over every song and setting: %.3g\n",
                overall_largest);
}

}  // namespace
}  // namespace tarnwick::plugin_test
