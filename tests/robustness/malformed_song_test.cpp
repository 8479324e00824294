// Malformed files played end to end: every prefix of a song, every byte of it replaced, bit
// flips in every header and length field, and counts, names, flags, order lists and loop
// points at and past their limits. Whatever the loader accepts must then scan and render
// without a broken promise; the sanitizer builds check every read and every conversion.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "dmf_writer/dmf_writer.h"
#include "loader/pattern_reader.h"
#include "tests/robustness/busy_song.h"
#include "tests/robustness/hostile_playback.h"
#include "tests/support/allocation_meter.h"

namespace tarnwick::robustness {
namespace {

using writer::Bytes;

// Most memory one load and its playback may hold.
size_t allowance(size_t file_size) {
    return 64 * file_size + kPatternCellBudget + 255 * (sizeof(TrackPlayer) + 64);
}

// The settings for the k-th variant of a sweep: every mode, ramping and looping in turn.
PlaySettings sweep_settings(size_t k, int blocks) {
    const std::vector<PlaySettings> grid = settings_grid(blocks);
    return grid[k % grid.size()];
}

size_t end_of_ende(const Bytes& image) {
    for (size_t i = image.size() - 4; i-- > 0;) {
        if (image[i] == 'E' && image[i + 1] == 'N' && image[i + 2] == 'D' && image[i + 3] == 'E')
            return i + 4;
    }
    return image.size();
}

TEST(MalformedSong, BusySongPlaysUnderEverySetting) {
    const Bytes image = busy_song().build();
    for (const PlaySettings& s : settings_grid(64)) {
        const PlayOutcome outcome = play(image, s);
        ASSERT_TRUE(outcome.loaded()) << to_string(outcome.refusal);
        EXPECT_EQ(outcome.fault, "");
        EXPECT_FALSE(outcome.render_failed);
        EXPECT_GT(outcome.length_seconds, 0u);
    }
}

TEST(MalformedSong, EveryPrefixIsRefusedUntilItHoldsTheEndChunkAndThenPlays) {
    const Bytes image = busy_song().build();
    const size_t complete = end_of_ende(image);
    for (size_t size = 0; size <= image.size(); ++size) {
        const Bytes prefix = writer::truncated(image, size);
        const PlayOutcome outcome = play(prefix, sweep_settings(size, 4));
        EXPECT_EQ(outcome.loaded(), size >= complete) << size;
        EXPECT_EQ(outcome.fault, "") << size;
    }
}

TEST(MalformedSong, EveryByteReplacedIsRefusedOrPlaysWithinItsMemory) {
    const Bytes original = busy_song().build();
    size_t variant = 0;
    for (size_t at = 0; at < original.size(); ++at) {
        const uint8_t flips[] = {0x00,
                                 0x01,
                                 0x7F,
                                 0x80,
                                 0xFF,
                                 static_cast<uint8_t>(original[at] ^ 0x01),
                                 static_cast<uint8_t>(original[at] ^ 0x80)};
        for (uint8_t value : flips) {
            Bytes image = original;
            image[at] = value;
            test::AllocationMeter meter;
            const PlayOutcome outcome = play(image, sweep_settings(variant++, 4));
            meter.stop();
            ASSERT_EQ(outcome.fault, "") << "byte " << at << " = " << int{value};
            ASSERT_LE(meter.peak(), allowance(image.size())) << "byte " << at;
        }
    }
}

// The offsets of every field that counts or measures something: the header, each chunk's
// length, the pattern chunk's counts and each pattern header, each sample entry's size and
// loop fields, and each sample block's byte count.
std::vector<std::pair<size_t, size_t>> measuring_fields(const writer::Song& song,
                                                        const Bytes& image) {
    std::vector<std::pair<size_t, size_t>> fields = {{0, writer::kFileHeaderSize}};
    for (const char* id : {"CMSG", "SEQU", "PATT", "SMPI", "SMPD"}) {
        const auto at = writer::find_chunk(image, id);
        if (at) fields.push_back({*at + 4, 4});
    }
    const auto patt = writer::find_chunk(image, "PATT");
    size_t pos = *patt + 8;
    fields.push_back({pos, 3});  // pattern count, song track count
    pos += 3;
    for (const writer::PatternDesc& p : song.patterns) {
        fields.push_back({pos, 8});  // tracks, beat, rows, packed size
        pos += writer::encode_pattern(p).size();
    }
    const auto smpi = writer::find_chunk(image, "SMPI");
    pos = *smpi + 8;
    fields.push_back({pos, 1});  // sample count
    pos += 1;
    for (const writer::SampleDesc& s : song.samples) {
        const size_t name = 1 + s.name.size();
        fields.push_back({pos, 1});          // name length
        fields.push_back({pos + name, 16});  // size, loop start, loop end, rate, volume, flags
        pos += writer::encode_sample_entry(s, true).size();
    }
    const auto smpd = writer::find_chunk(image, "SMPD");
    pos = *smpd + 8;
    for (const writer::SampleDesc& s : song.samples) {
        fields.push_back({pos, 4});  // block byte count
        pos += writer::encode_sample_block(s).size();
    }
    return fields;
}

TEST(MalformedSong, EverySingleBitFlipInHeadersAndLengthFieldsIsSafe) {
    const writer::Song song = busy_song();
    const Bytes original = song.build();
    size_t variant = 0;
    size_t flips = 0;
    for (const auto& [start, width] : measuring_fields(song, original)) {
        for (size_t at = start; at < start + width; ++at) {
            for (int bit = 0; bit < 8; ++bit, ++flips) {
                Bytes image = original;
                image[at] ^= static_cast<uint8_t>(1u << bit);
                test::AllocationMeter meter;
                const PlayOutcome outcome = play(image, sweep_settings(variant++, 4));
                meter.stop();
                ASSERT_EQ(outcome.fault, "") << "byte " << at << " bit " << bit;
                ASSERT_LE(meter.peak(), allowance(image.size())) << "byte " << at;
            }
        }
    }
    EXPECT_GT(flips, 8u * 150);  // the walk found every field
}

// A song built with one thing at or past a limit.
struct LimitCase {
    const char* what;
    writer::Bytes image;
    bool loads;
};

writer::Song one_note_song() {
    writer::Song song = writer::minimal_song();
    song.orders = {0, 0};
    return song;
}

std::vector<LimitCase> limit_cases() {
    std::vector<LimitCase> cases;
    auto song_with = [](auto&& change) {
        writer::Song s = one_note_song();
        change(s);
        return s.build();
    };
    // The one-note song with its order list and pattern chunk as given.
    auto with_chunks = [](const writer::Song& s, const writer::OrderChunk& orders,
                          const writer::PatternChunk& patterns) {
        return writer::FileBuilder(s.header)
            .orders(orders)
            .patterns(patterns)
            .samples(s.samples)
            .end()
            .build();
    };
    auto patterns = [](size_t count) {
        return [count](writer::Song& s) {
            s.patterns.assign(count, writer::PatternDesc(1, 1));
            s.patterns.back().set(0, 0, writer::note_cell(37, 1));
            s.orders = {static_cast<uint16_t>(count - 1), 0};
        };
    };
    cases.push_back({"1024 patterns, the last one played", song_with(patterns(1024)), true});
    cases.push_back({"1025 patterns", song_with(patterns(1025)), false});
    {
        writer::Song s = one_note_song();
        writer::PatternChunk chunk = s.pattern_chunk();
        chunk.pattern_count = 0;
        cases.push_back({"0 patterns", with_chunks(s, s.order_chunk(), chunk), false});
    }
    cases.push_back(
        {"song track count 32", song_with([](writer::Song& s) { s.track_count = 32; }), true});
    cases.push_back(
        {"song track count 33", song_with([](writer::Song& s) { s.track_count = 33; }), false});
    cases.push_back({"pattern of 255 tracks", song_with([](writer::Song& s) {
                         writer::PatternDesc p(255, 3);
                         for (int t = 0; t < 255; t += 3)
                             p.set(0, static_cast<uint8_t>(t),
                                   writer::note_cell(static_cast<uint8_t>(1 + t % 108), 1));
                         s.patterns = {p};
                     }),
                     true});
    cases.push_back({"sample name of 30 bytes",
                     song_with([](writer::Song& s) { s.samples[0].name = std::string(30, 'n'); }),
                     true});
    cases.push_back({"sample name of 31 bytes",
                     song_with([](writer::Song& s) { s.samples[0].name = std::string(31, 'n'); }),
                     false});
    cases.push_back({"sample flags 0x81",
                     song_with([](writer::Song& s) { s.samples[0].flags = 0x81; }), false});
    cases.push_back({"sample flags 0x09",
                     song_with([](writer::Song& s) { s.samples[0].flags = 0x09; }), false});
    cases.push_back({"sample flags with the ignored bits 0x71",
                     song_with([](writer::Song& s) { s.samples[0].flags = 0x71; }), true});
    cases.push_back(
        {"65535 orders", song_with([](writer::Song& s) { s.orders.assign(65535, 0); }), true});
    {
        writer::Song s = one_note_song();
        writer::OrderChunk orders = s.order_chunk();
        orders.orders.assign(65536, 0);
        cases.push_back({"65536 orders (a payload of 131076 bytes)",
                         with_chunks(s, orders, s.pattern_chunk()), false});
        orders.orders.assign(65535, 0);
        orders.framing.slack = {0};
        cases.push_back(
            {"order payload of 131077 bytes", with_chunks(s, orders, s.pattern_chunk()), false});
    }
    cases.push_back(
        {"no orders at all", song_with([](writer::Song& s) { s.orders.clear(); }), true});
    cases.push_back({"loop points past the order count", song_with([](writer::Song& s) {
                         s.loop_start = 65535;
                         s.loop_end = 65535;
                     }),
                     true});
    cases.push_back({"loop start past the order count, loop end inside",
                     song_with([](writer::Song& s) {
                         s.loop_start = 40000;
                         s.loop_end = 0;
                     }),
                     true});
    cases.push_back({"loop start after loop end", song_with([](writer::Song& s) {
                         s.loop_start = 1;
                         s.loop_end = 0;
                     }),
                     true});
    cases.push_back({"order naming a pattern that does not exist", song_with([](writer::Song& s) {
                         s.orders = {0, 7, 0};
                     }),
                     true});
    return cases;
}

TEST(MalformedSong, CountsNamesFlagsAndLoopPointsAtAndPastTheirLimits) {
    for (LimitCase& c : limit_cases()) {
        for (const PlaySettings& s : settings_grid(24)) {
            const PlayOutcome outcome = play(c.image, s);
            EXPECT_EQ(outcome.loaded(), c.loads) << c.what << ": " << to_string(outcome.refusal);
            EXPECT_EQ(outcome.fault, "") << c.what;
        }
    }
}

TEST(MalformedSong, LoopPointsPastTheOrderListEndALoopingSong) {
    writer::Song song = one_note_song();
    song.loop_start = 65535;
    song.loop_end = 0;
    PlaySettings s;
    s.looping = true;
    s.blocks = 1 << 16;  // far more than two short orders need
    const PlayOutcome outcome = play(song.build(), s);
    ASSERT_TRUE(outcome.loaded());
    EXPECT_TRUE(outcome.ended);
    EXPECT_EQ(outcome.fault, "");
}

TEST(MalformedSong, OrderNamingAMissingPatternStopsPlaybackWithAnError) {
    writer::Song song = one_note_song();
    song.orders = {0, 7, 0};
    PlaySettings s;
    s.blocks = 1000;  // past the first order
    const PlayOutcome outcome = play(song.build(), s);
    ASSERT_TRUE(outcome.loaded());
    EXPECT_EQ(outcome.length_seconds, 0u);
    EXPECT_TRUE(outcome.render_failed);
}

}  // namespace
}  // namespace tarnwick::robustness
