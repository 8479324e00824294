// The header, the chunk walk, and the "CMSG" and "SEQU" chunks.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "loader/module.h"
#include "loader/module_reader.h"
#include "tests/support/dmf_bytes.h"

namespace tarnwick {
namespace {

using test::Bytes;
using test::with_length;

LoadRefusal load(const Bytes& file, Module& module) {
    return module.load_module_explained(file.data(), file.size());
}

LoadRefusal load(const Bytes& file) {
    Module module;
    return load(file, module);
}

// Runs a chunk reader over `length field + payload` and reports how far it read.
template <typename Reader>
LoadRefusal read_chunk(Reader reader, Module& module, const Bytes& chunk, size_t* consumed) {
    ChunkCursor cursor(chunk.data(), chunk.size());
    LoadRefusal result = reader(module, cursor);
    if (consumed) *consumed = cursor.position();
    return result;
}

// ---- header ----

TEST(Header, TextsKeepTheirWidthTrailingSpacesAndEndAtAnInnerNul) {
    Bytes file = test::header(7, std::string("T1234\0hidden", 12), "Composer  ", "ABCDEFGH");
    Module module;
    ChunkCursor cursor(file.data(), file.size());
    ASSERT_EQ(read_header(module, cursor), LoadRefusal::none);
    EXPECT_STREQ(module.title, "T1234");
    EXPECT_STREQ(module.composer, "Composer  ");
    EXPECT_STREQ(module.tracker_name, "ABCDEFGH");
    EXPECT_EQ(cursor.position(), 66u);
}

TEST(Header, ThirtyCharacterTitleIsKeptWhole) {
    const std::string title(30, 'x');
    Bytes file = test::header(7, title, std::string(20, 'c'));
    Module module;
    ChunkCursor cursor(file.data(), file.size());
    ASSERT_EQ(read_header(module, cursor), LoadRefusal::none);
    EXPECT_EQ(std::string(module.title), title);
    EXPECT_EQ(std::string(module.composer), std::string(20, 'c'));
}

TEST(Header, VersionAndDateAreStoredAsWritten) {
    Bytes file = test::header(8, "x", "y", "z", 7, 3, 95);
    Module module;
    ChunkCursor cursor(file.data(), file.size());
    ASSERT_EQ(read_header(module, cursor), LoadRefusal::none);
    EXPECT_EQ(module.version, 8u);
    EXPECT_EQ(module.created.tm_mday, 7);
    EXPECT_EQ(module.created.tm_mon, 3);
    EXPECT_EQ(module.created.tm_year, 95);
    EXPECT_EQ(module.created.tm_hour, 0);
    EXPECT_EQ(module.created.tm_wday, 0);
    EXPECT_EQ(module.created.tm_isdst, 0);
}

// ---- the walk ----

struct WalkCase {
    const char* name;
    Bytes file;
    LoadRefusal expected;
};

// "SEQU", "PATT" and "SMPI" chunks of a one-pattern, one-sample song.
Bytes song_chunks() {
    Bytes b;
    b.chunk("SEQU", test::orders_payload({0}));
    b.chunk("PATT", test::single_pattern_payload());
    b.chunk("SMPI", test::sample_info_payload({test::SampleEntry{}}));
    return b;
}

Bytes song_before_end() {
    return test::header().append(song_chunks());
}

std::vector<WalkCase> walk_cases() {
    std::vector<WalkCase> cases;
    cases.push_back({"minimal song", test::minimal_song(), LoadRefusal::none});
    cases.push_back({"69 bytes", test::header().raw({'E', 'N', 'D'}), LoadRefusal::too_short});
    cases.push_back(
        {"header and ENDE only", test::header().id("ENDE"), LoadRefusal::incomplete_song});
    {
        Bytes b = test::minimal_song();
        b[0] = 'X';
        cases.push_back({"bad magic", b, LoadRefusal::bad_magic});
    }
    cases.push_back({"no ENDE", song_before_end(), LoadRefusal::missing_end});
    cases.push_back({"no SMPD", song_before_end().id("ENDE"), LoadRefusal::none});
    cases.push_back({"3 bytes where an identifier is due", song_before_end().raw({'E', 'N', 'D'}),
                     LoadRefusal::chunk_id_truncated});
    cases.push_back({"unknown chunk skipped",
                     test::header().chunk("XTRA", Bytes{1, 2, 3}).append(song_chunks()).id("ENDE"),
                     LoadRefusal::none});
    cases.push_back({"unknown chunk with a short length field",
                     song_before_end().id("XTRA").raw({1, 0}),
                     LoadRefusal::chunk_length_truncated});
    cases.push_back({"unknown chunk running past the end",
                     song_before_end().id("XTRA").u32(10).raw({1, 2, 3}),
                     LoadRefusal::chunk_payload_overrun});
    cases.push_back({"unknown chunk ending exactly at the end",
                     song_before_end().chunk("XTRA", Bytes{1, 2, 3}), LoadRefusal::missing_end});
    cases.push_back({"malformed bytes after ENDE are never read",
                     song_before_end().id("ENDE").id("PATT").u32(0xFFFFFFFF).raw({0xFF}),
                     LoadRefusal::none});
    {
        Bytes b = test::header();
        b.chunk("PATT", test::single_pattern_payload());
        b.chunk("SMPI", test::sample_info_payload({test::SampleEntry{}}));
        cases.push_back({"ENDE without SEQU", b.id("ENDE"), LoadRefusal::incomplete_song});
    }
    {
        Bytes b = test::header();
        b.chunk("SEQU", test::orders_payload({0}));
        b.chunk("SMPI", test::sample_info_payload({test::SampleEntry{}}));
        cases.push_back({"ENDE without PATT", b.id("ENDE"), LoadRefusal::incomplete_song});
    }
    {
        Bytes b = test::header();
        b.chunk("SEQU", test::orders_payload({0}));
        b.chunk("PATT", test::single_pattern_payload());
        cases.push_back({"ENDE without samples", b.id("ENDE"), LoadRefusal::incomplete_song});
    }
    {
        Bytes b = song_before_end();
        b.chunk("SMPI", Bytes{0x00});
        cases.push_back({"sample list emptied again", b.id("ENDE"), LoadRefusal::incomplete_song});
    }
    {
        Bytes b = test::header();
        b.chunk("SMPI", test::sample_info_payload({test::SampleEntry{}}));
        b.chunk("CMSG", Bytes{0, 'h', 'i'});
        b.chunk("PATT", test::single_pattern_payload());
        b.chunk("SEQU", test::orders_payload({0, 0}));
        cases.push_back({"chunks in another order", b.id("ENDE"), LoadRefusal::none});
    }
    cases.push_back({"CMSG with a short length field", test::header().id("CMSG").raw({1, 0}),
                     LoadRefusal::chunk_length_truncated});
    cases.push_back({"CMSG running past the end", test::header().id("CMSG").u32(50).raw({0, 1}),
                     LoadRefusal::chunk_payload_overrun});
    cases.push_back({"SEQU running past the end", test::header().id("SEQU").u32(9).raw({0, 1}),
                     LoadRefusal::chunk_payload_overrun});
    cases.push_back({"SEQU too short", song_before_end().chunk("SEQU", Bytes{0, 0, 0}).id("ENDE"),
                     LoadRefusal::orders_too_short});
    return cases;
}

TEST(ChunkWalk, AcceptsOrRefusesForTheRightReason) {
    for (const WalkCase& c : walk_cases()) {
        EXPECT_EQ(load(c.file), c.expected)
            << c.name << ": got " << to_string(load(c.file)) << ", want " << to_string(c.expected);
    }
}

TEST(ChunkWalk, NullImageIsRefused) {
    Module module;
    EXPECT_EQ(module.load_module_explained(nullptr, 100), LoadRefusal::too_short);
    EXPECT_FALSE(module.load_module(nullptr, 100));
    EXPECT_TRUE(module.restart_pending);
}

TEST(ChunkWalk, LoadSetsRestartPendingAndReportsSuccessAsTrue) {
    Bytes file = test::minimal_song();
    Module module;
    module.restart_pending = false;
    EXPECT_TRUE(module.load_module(file.data(), file.size()));
    EXPECT_TRUE(module.restart_pending);
    EXPECT_STREQ(module.title, "Song");
    EXPECT_EQ(module.pattern_count, 1u);
    EXPECT_EQ(module.order_count, 1u);
    EXPECT_EQ(module.samples.count(), 1u);
    EXPECT_EQ(module.message, nullptr);  // no "CMSG" chunk
}

TEST(ChunkWalk, SongWithoutSampleDataLoadsWithSamplesWithoutData) {
    Bytes file = song_before_end().id("ENDE");
    Module module;
    ASSERT_EQ(load(file, module), LoadRefusal::none);
    ASSERT_NE(module.samples.at(0), nullptr);
    EXPECT_EQ(module.samples.at(0)->data, nullptr);
    EXPECT_EQ(module.samples.at(0)->length, 4u);
    EXPECT_EQ(module.samples.at(0)->fetch(1), 0.0f);
}

TEST(ChunkWalk, ResumesWhereAReaderStoppedNotWhereTheLengthSays) {
    // A 5-byte "SEQU" payload: the reader leaves its last byte, which is the first letter of
    // the next identifier.
    Bytes file = test::header();
    file.id("SEQU").u32(5).u16(0).u16(0).u8('P');
    Bytes patt;
    patt.chunk("PATT", test::single_pattern_payload());
    patt.vector().erase(patt.vector().begin());  // "ATT" + length + payload
    file.append(patt);
    file.chunk("SMPI", test::sample_info_payload({test::SampleEntry{}}));
    file.id("ENDE");
    Module module;
    ASSERT_EQ(load(file, module), LoadRefusal::none);
    EXPECT_EQ(module.order_count, 0u);
    EXPECT_NE(module.orders, nullptr);
    EXPECT_EQ(module.pattern_count, 1u);
}

TEST(ChunkWalk, LaterChunksReplaceEarlierOnes) {
    Bytes file = test::header();
    file.chunk("CMSG", Bytes{0, 'o', 'l', 'd'});
    file.chunk("SEQU", test::orders_payload({1, 2, 3}, 1, 2));
    file.chunk("PATT",
               test::patterns_payload(
                   2, 4, test::pattern_bytes(0, 0, {}).append(test::pattern_bytes(0, 0, {}))));
    file.chunk("SMPI", test::sample_info_payload({test::SampleEntry{}}));
    file.chunk("CMSG", Bytes{0, 'n', 'e', 'w'});
    file.chunk("SEQU", test::orders_payload({7}, 5, 6));
    file.chunk("PATT", test::single_pattern_payload());
    file.id("ENDE");
    Module module;
    ASSERT_EQ(load(file, module), LoadRefusal::none);
    EXPECT_STREQ(module.message.get(), "new");
    ASSERT_EQ(module.order_count, 1u);
    EXPECT_EQ(module.orders[0], 7u);
    EXPECT_EQ(module.loop_start, 5u);
    EXPECT_EQ(module.loop_end, 6u);
    EXPECT_EQ(module.pattern_count, 1u);
    EXPECT_EQ(module.track_count, 1u);
}

// ---- "CMSG" ----

struct MessageCase {
    const char* name;
    Bytes payload;
    std::string expected;
};

TEST(SongMessage, IsWrappedIntoLinesOfFortyWithControlBytesAsSpaces) {
    const std::string forty(40, 'a');
    const std::string eighty_text = forty + std::string(40, 'b');
    Bytes eighty;
    eighty.u8(0xFF).text(eighty_text, 80);
    Bytes forty_one;
    forty_one.u8(0).text(forty + "c", 41);
    Bytes exact_forty;
    exact_forty.u8(0).text(forty, 40);
    const MessageCase cases[] = {
        {"empty payload", Bytes{}, ""},
        {"only the ignored byte", Bytes{'X'}, ""},
        {"short text", Bytes{'X', 'h', 'i'}, "hi"},
        {"80 characters", eighty, forty + "\n" + std::string(40, 'b') + "\n"},
        {"exactly 40 characters", exact_forty, forty + "\n"},
        {"41 characters", forty_one, forty + "\nc"},
        {"control bytes", Bytes{0, 'a', 0x09, 'b', 0x0D, 0x0A, 0x00, 0x1F, 'c'}, "a b    c"},
        {"high bytes stay", Bytes{0, 0x82, 0x7F, 0xFF, 0x20}, "\x82\x7F\xFF "},
    };
    for (const MessageCase& c : cases) {
        Module module;
        size_t consumed = 0;
        ASSERT_EQ(read_chunk(read_message, module, with_length(c.payload), &consumed),
                  LoadRefusal::none)
            << c.name;
        ASSERT_NE(module.message, nullptr) << c.name;
        EXPECT_EQ(std::string(module.message.get()), c.expected) << c.name;
        EXPECT_EQ(consumed, 4 + c.payload.size()) << c.name;
    }
}

TEST(SongMessage, EmptyPayloadReadsNothingBeyondIt) {
    // The byte after a zero-length payload belongs to the next chunk.
    Bytes chunk;
    chunk.u32(0).id("ENDE");
    Module module;
    size_t consumed = 0;
    ASSERT_EQ(read_chunk(read_message, module, chunk, &consumed), LoadRefusal::none);
    EXPECT_EQ(consumed, 4u);
    EXPECT_STREQ(module.message.get(), "");
}

TEST(SongMessage, LongMessageWrapsEveryFortyCharacters) {
    Bytes payload;
    payload.u8(0);
    for (int i = 0; i < 1000; ++i) payload.u8('a' + i % 26);
    Module module;
    ASSERT_EQ(read_chunk(read_message, module, with_length(payload), nullptr), LoadRefusal::none);
    const std::string text(module.message.get());
    ASSERT_EQ(text.size(), 1000u + 25u);
    for (size_t i = 0; i < text.size(); ++i) {
        EXPECT_EQ(text[i] == '\n', i % 41 == 40) << i;
    }
}

// ---- "SEQU" ----

struct OrdersCase {
    const char* name;
    uint32_t payload_size;
    LoadRefusal expected;
    uint32_t orders;
    size_t consumed;  // payload bytes read, after the length field
};

TEST(OrderList, PayloadSizesGiveTheRightOrderCount) {
    const OrdersCase cases[] = {
        {"3 bytes", 3, LoadRefusal::orders_too_short, 0, 0},
        {"4 bytes: empty but present", 4, LoadRefusal::none, 0, 4},
        {"5 bytes: odd byte left", 5, LoadRefusal::none, 0, 4},
        {"6 bytes", 6, LoadRefusal::none, 1, 6},
        {"65535 orders", 131075, LoadRefusal::none, 65535, 131074},
        {"65536 orders", 131076, LoadRefusal::too_many_orders, 0, 0},
        {"65536 orders and a byte", 131077, LoadRefusal::too_many_orders, 0, 0},
    };
    for (const OrdersCase& c : cases) {
        Bytes payload;
        payload.u16(3).u16(1);  // loop points are not checked against anything
        for (uint32_t i = 4; i + 1 < c.payload_size; i += 2) payload.u16(i & 0xFFFF);
        if (payload.size() < c.payload_size) payload.u8(0xAB);
        payload.vector().resize(c.payload_size);
        Module module;
        size_t consumed = 0;
        ASSERT_EQ(read_chunk(read_orders, module, with_length(payload), &consumed), c.expected)
            << c.name;
        if (c.expected != LoadRefusal::none) {
            EXPECT_EQ(module.orders, nullptr) << c.name;
            continue;
        }
        EXPECT_NE(module.orders, nullptr) << c.name;
        EXPECT_EQ(module.order_count, c.orders) << c.name;
        EXPECT_EQ(consumed, 4 + c.consumed) << c.name;
        EXPECT_EQ(module.loop_start, 3u) << c.name;
        EXPECT_EQ(module.loop_end, 1u) << c.name;
        if (c.orders > 1) {
            EXPECT_EQ(module.orders[0], 4u) << c.name;
            EXPECT_EQ(module.orders[c.orders - 1], (4 + 2 * (c.orders - 1)) & 0xFFFF) << c.name;
        }
    }
}

TEST(OrderList, RefusedListLeavesThePreviousOneIntact) {
    Module module;
    ASSERT_EQ(read_chunk(read_orders, module, with_length(test::orders_payload({9, 8})), nullptr),
              LoadRefusal::none);
    Bytes too_short{1, 2};
    EXPECT_EQ(read_chunk(read_orders, module, with_length(too_short), nullptr),
              LoadRefusal::orders_too_short);
    ASSERT_EQ(module.order_count, 2u);
    EXPECT_EQ(module.orders[1], 8u);
}

}  // namespace
}  // namespace tarnwick
