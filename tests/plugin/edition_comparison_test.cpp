// The two editions, each as its built library, play the same songs with the same settings:
// the same blocks, the same reported length and track information, and the same audio. The
// differences measured are printed for the record.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/plugin/loaded_plugin.h"
#include "tests/plugin/plugin_songs.h"
#include "tests/robustness/busy_song.h"

namespace tarnwick::plugin_test {
namespace {

// Both editions compute the same operations on the same types (the vanilla edition holds
// the x87 unit at each value's precision), so their output is the same to the last bit. The
// bound of "last bits" is 1e-6 of full scale; any sample that differs at all means a value
// computed at another precision in one edition (double arithmetic on the render path outside
// its double-precision scope, say), and that grows with time: both fail here.
constexpr double kLastBits = 1e-6;

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
    size_t differing = 0;  // samples not equal to the last bit
};

Difference compare(const std::vector<double>& a, const std::vector<double>& b) {
    Difference d;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
        d.largest = std::max(d.largest, std::fabs(a[i] - b[i]));
        d.differing += a[i] != b[i] ? 1 : 0;
    }
    return d;
}

struct SettingsCase {
    const char* name;
    SettingValues values;
};

const SettingsCase kSettingsCases[] = {
    {"defaults", {}},
    {"cubic, heavy ramps, full volume",
     {.srate = 44100, .rsmode = 2, .vol = 1000, .ramplen = 8000}},
    {"nearest, no ramps", {.srate = 22025, .rsmode = 0, .vol = 100, .ramplen = 0}},
    {"96 kHz cubic", {.srate = 96000, .rsmode = 2, .ramplen = 0}},
    {"8 kHz linear, no ramps", {.srate = 8000, .ramplen = 0}},
    {"32 kHz nearest, light ramps", {.srate = 32000, .rsmode = 0, .ramplen = 1000}},
};

TEST(EditionComparison, BothEditionsPlayTheSameSongsToTheLastBit) {
    if (other_edition_path()[0] == '\0') {
        GTEST_SKIP() << "the other edition's library was not built (TARNWICK_OTHER_EDITION)";
    }
    std::string error;
    LoadedPlugin* mine = LoadedPlugin::at(this_edition_path(), &error);
    ASSERT_NE(mine, nullptr) << error;
    LoadedPlugin* other = LoadedPlugin::at(other_edition_path(), &error);
    ASSERT_NE(other, nullptr) << error;

    std::vector<NamedSong> songs = comparison_songs();
    songs.push_back({"busy song", robustness::busy_song().build()});
    double overall_largest = 0.0;
    for (const NamedSong& song : songs) {
        for (const SettingsCase& settings : kSettingsCases) {
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
            EXPECT_TRUE(std::any_of(a.samples.begin(), a.samples.end(), [](double x) {
                return std::fabs(x) > 1e-3;
            })) << "the song should be heard";

            const Difference d = compare(a.samples, b.samples);
            std::printf("[ editions ] %-12s %-32s %5u blocks: largest %.3g, %zu samples differ\n",
                        song.name.c_str(), settings.name, a.blocks, d.largest, d.differing);
            EXPECT_LE(d.largest, kLastBits);
            EXPECT_EQ(d.differing, 0u);
            overall_largest = std::max(overall_largest, d.largest);
        }
    }
    std::printf("[ editions ] largest difference over every song and setting: %.3g\n",
                overall_largest);
}

}  // namespace
}  // namespace tarnwick::plugin_test
