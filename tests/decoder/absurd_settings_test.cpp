// Stored settings come from bytes the host kept: any 32-bit value may arrive, not only what the
// preferences page offers. None may make an open or a decode misbehave (the sanitizer build
// turns undefined arithmetic into a failure) or keep a decode call from returning.

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "tests/decoder/decoder_fixture.h"

namespace tarnwick::decoder_test {
namespace {

using StoredSettingsAtOpen = DecoderFixture;

using qarvel::OPEN_DECODE;
using qarvel::OPEN_INFO;

// A song that exercises ramps, volume and panning changes and all three interpolations: two
// tracks, notes on several rows, a volume on the second.
Song busy_song() {
    Song song;
    song.track_count = 2;
    PatternDesc pattern(2, 8);
    pattern.set(0, 0, note_cell(49, 1)).set(0, 1, note_cell(61, 2, 200));  // (row, track)
    pattern.set(3, 0, note_cell(37, 2, 64)).set(5, 1, note_cell(25, 1));
    song.patterns.push_back(pattern);
    song.orders = {0, 0};
    song.samples.push_back(square_sample("a"));
    song.samples.push_back(square_sample("b"));
    return song;
}

struct Case {
    const char* what;
    StoredSettings values;
    // Blocks after which a song at an enormous rate is left unfinished (decode must still
    // return each time); 0: play to the end.
    uint32_t block_budget;
};

TEST_F(StoredSettingsAtOpen, AnyStoredSettingOpensAndDecodesSafely) {
    const Case cases[] = {
        {"srate 1", {1, 1, 250, 3000, 0}, 0},
        {"srate 255", {255, 2, 250, 3000, 0}, 0},
        {"srate 0", {0, 1, 250, 3000, 0}, 0},
        {"srate -1", {-1, 1, 250, 3000, 0}, 0},
        {"srate INT_MIN", {INT_MIN, 1, 250, 3000, 0}, 0},
        {"srate INT_MAX", {INT_MAX, 1, 250, 3000, 0}, 200},
        {"srate 10 MHz", {10000000, 0, 250, 8000, 1}, 200},
        {"vol -1", {48000, 1, -1, 3000, 0}, 0},
        {"vol INT_MIN", {48000, 1, INT_MIN, 3000, 0}, 0},
        {"vol INT_MAX", {48000, 2, INT_MAX, 3000, 0}, 0},
        {"rsmode -1", {48000, -1, 250, 3000, 0}, 0},
        {"rsmode 3", {48000, 3, 250, 3000, 0}, 0},
        {"rsmode INT_MIN", {48000, INT_MIN, 250, 3000, 0}, 0},
        {"ramplen -1", {48000, 1, 250, -1, 0}, 0},
        {"ramplen INT_MIN", {48000, 1, 250, INT_MIN, 0}, 0},
        {"ramplen INT_MAX", {48000, 1, 250, INT_MAX, 0}, 0},
        {"ramplen INT_MAX at INT_MAX Hz", {INT_MAX, 2, INT_MAX, INT_MAX, 0}, 200},
        {"everything INT_MIN", {INT_MIN, INT_MIN, INT_MIN, INT_MIN, INT_MIN}, 0},
        {"loop INT_MAX", {48000, 1, 250, 3000, INT_MAX}, 0},
    };
    for (const Case& c : cases) {
        store_settings(c.values);
        test_host::TrackInfo info;
        DecoderService* d = open_song_into(info, busy_song(), OPEN_INFO | OPEN_DECODE);
        ASSERT_NE(d, nullptr) << c.what;
        const uint32_t budget = c.block_budget != 0 ? c.block_budget : 1u << 20;
        const test_host::DecodedSong song = test_host::decode_to_end(*d, budget);
        if (c.block_budget == 0) {
            EXPECT_EQ(song.last_result, 0) << c.what << ": the song ends";
        } else {
            EXPECT_EQ(song.last_result, 1) << c.what;
            EXPECT_EQ(song.blocks, c.block_budget) << c.what;
        }
        for (double s : song.samples) {
            ASSERT_TRUE(std::isfinite(s)) << c.what;
        }
        EXPECT_TRUE(console_.lines().empty()) << c.what;
    }
}

}  // namespace
}  // namespace tarnwick::decoder_test
