// The "PATT" chunk: packed rows, repeat counts, the global track and the stream bounds.

#include "loader/pattern_reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "loader/module.h"
#include "tests/support/dmf_bytes.h"

namespace tarnwick {
namespace {

using test::Bytes;

struct ReadResult {
    LoadRefusal refusal;
    size_t consumed;  // bytes after the length field
};

ReadResult read(Module& module, const Bytes& payload, PatternCellBudget& budget) {
    const Bytes chunk = test::with_length(payload);
    ChunkCursor cursor(chunk.data(), chunk.size());
    LoadRefusal refusal = read_patterns(module, cursor, budget);
    return {refusal, cursor.position() - 4};
}

ReadResult read(Module& module, const Bytes& payload) {
    PatternCellBudget budget;
    return read(module, payload, budget);
}

// Reads a single pattern of `tracks` tracks and `rows` rows.
ReadResult read_one(Module& module, uint8_t tracks, uint16_t rows, const Bytes& stream,
                    uint8_t beat = 0x40) {
    return read(module,
                test::patterns_payload(1, 4, test::pattern_bytes(tracks, rows, stream, beat)));
}

std::vector<uint8_t> cell_bytes(const Cell& cell) {
    std::vector<uint8_t> bytes(sizeof(Cell));
    std::memcpy(bytes.data(), &cell, sizeof(Cell));
    return bytes;
}

//                        note instr vol  ne   np   ie   ip   ve   vp
using Nine = std::vector<uint8_t>;
const Nine kEmpty = {0, 0, 0, 0, 0, 0, 0, 0, 0};

struct TrackCase {
    const char* name;
    Bytes stream;  // global entry 0x00 before each track entry that the rows read
    uint16_t rows;
    std::vector<Nine> cells;  // expected cell of the single track, per row
};

TEST(PatternRows, TrackEntriesFillTheAnnouncedFieldsAndRepeatCountsLeaveRowsEmpty) {
    const TrackCase cases[] = {
        {"0x00 is an empty cell", Bytes{0x00, 0x00}, 1, {kEmpty}},
        {"bit 0 carries nothing", Bytes{0x00, 0x01}, 1, {kEmpty}},
        {"instrument, note and note effect",
         Bytes{0x00, 0x64, 0x10, 0x31, 0x02, 0x05},
         1,
         {{0x31, 0x10, 0, 2, 5, 0, 0, 0, 0}}},
        {"every field in stream order",
         Bytes{0x00, 0x7E, 1, 2, 3, 4, 5, 6, 7, 8, 9},
         1,
         {{2, 1, 3, 6, 7, 4, 5, 8, 9}}},
        {"repeat count of three skips three rows",
         // row 0: global, 0x80 0x03; rows 1-3: global only; row 4: global, new entry
         Bytes{0x00, 0x80, 0x03, 0x00, 0x00, 0x00, 0x00, 0x20, 0x31},
         5,
         {kEmpty, kEmpty, kEmpty, kEmpty, {0x31, 0, 0, 0, 0, 0, 0, 0, 0}}},
        {"repeat with a note keeps the note in its own row",
         Bytes{0x00, 0xA0, 0x01, 0x48, 0x00, 0x00, 0x10, 0x40},
         3,
         {{0x48, 0, 0, 0, 0, 0, 0, 0, 0}, kEmpty, {0, 0, 0x40, 0, 0, 0, 0, 0, 0}}},
    };
    for (const TrackCase& c : cases) {
        Module module;
        ReadResult r = read_one(module, 1, c.rows, c.stream);
        ASSERT_EQ(r.refusal, LoadRefusal::none) << c.name << ": " << to_string(r.refusal);
        const Pattern& p = module.patterns[0];
        ASSERT_EQ(p.row_count, c.rows) << c.name;
        for (uint16_t row = 0; row < c.rows; ++row) {
            EXPECT_EQ(cell_bytes(p.cells[0][row]), c.cells[row]) << c.name << " row " << row;
        }
        EXPECT_EQ(r.consumed, 3 + 8 + c.stream.size()) << c.name;
    }
}

TEST(PatternRows, GlobalEntriesGiveTypeParameterAndRepeats) {
    // Zero tracks: the stream holds only global entries.
    // row 0: 0x40 (type 0, no parameter); row 1: 0x83 0x02 0x10 (type 3, repeat 2);
    // rows 2-3 empty; row 4: 0x05 0x77; row 5: 0xC0 0x00 (repeat 0, type 0)
    Bytes stream{0x40, 0x83, 0x02, 0x10, 0x05, 0x77, 0xC0, 0x00};
    Module module;
    ReadResult r = read_one(module, 0, 6, stream);
    ASSERT_EQ(r.refusal, LoadRefusal::none) << to_string(r.refusal);
    const Pattern& p = module.patterns[0];
    const uint8_t types[] = {0, 3, 0, 0, 5, 0};
    const uint8_t params[] = {0, 0x10, 0, 0, 0x77, 0};
    for (int row = 0; row < 6; ++row) {
        EXPECT_EQ(p.global_types[row], types[row]) << row;
        EXPECT_EQ(p.global_params[row], params[row]) << row;
    }
    EXPECT_EQ(r.consumed, 3 + 8 + stream.size());
    EXPECT_NE(p.cells, nullptr);
    EXPECT_EQ(p.track_count, 0u);
}

TEST(PatternRows, TracksAreReadInOrderAfterTheGlobalEntryOfEachRow) {
    // Two rows, three tracks; track 1 repeats over row 1.
    Bytes stream{0x01, 0x11, 0x20, 0x01, 0x80, 0x01, 0x20, 0x03,  // row 0
                 0x00, 0x20, 0x04, 0x20, 0x05};                   // row 1
    Module module;
    ASSERT_EQ(read_one(module, 3, 2, stream).refusal, LoadRefusal::none);
    const Pattern& p = module.patterns[0];
    EXPECT_EQ(p.global_types[0], 1u);
    EXPECT_EQ(p.global_params[0], 0x11u);
    EXPECT_EQ(p.cells[0][0].note, 1u);
    EXPECT_EQ(p.cells[1][0].note, 0u);
    EXPECT_EQ(p.cells[2][0].note, 3u);
    EXPECT_EQ(p.cells[0][1].note, 4u);
    EXPECT_EQ(p.cells[1][1].note, 0u);
    EXPECT_EQ(p.cells[2][1].note, 5u);
}

TEST(PatternRows, BeatIsTheHighNibble) {
    Module module;
    ASSERT_EQ(read_one(module, 0, 0, {}, 0x4F).refusal, LoadRefusal::none);
    EXPECT_EQ(module.patterns[0].beat, 4u);
}

TEST(PatternRows, ZeroRowsReadNothingAndLeaveEmptyArrays) {
    Module module;
    ReadResult r = read_one(module, 4, 0, {});
    ASSERT_EQ(r.refusal, LoadRefusal::none);
    const Pattern& p = module.patterns[0];
    EXPECT_EQ(p.row_count, 0u);
    EXPECT_EQ(p.track_count, 4u);
    EXPECT_NE(p.global_types, nullptr);
    EXPECT_NE(p.global_params, nullptr);
    for (int t = 0; t < 4; ++t) EXPECT_NE(p.cells[t], nullptr);
    EXPECT_EQ(r.consumed, 3u + 8u);
}

TEST(PatternRows, PackedSizeSlackIsReadAsWhatFollows) {
    // The first pattern declares 5 bytes but its stream uses 2; the second pattern's header
    // starts right after those 2 bytes, inside the first pattern's declared size.
    Bytes second = test::pattern_bytes(1, 1, Bytes{0x00, 0x20, 0x42});
    Bytes patterns = test::pattern_bytes(1, 1, Bytes{0x00, 0x00}, 0x40, 5);
    patterns.append(second);
    Module module;
    ReadResult r = read(module, test::patterns_payload(2, 1, patterns));
    ASSERT_EQ(r.refusal, LoadRefusal::none) << to_string(r.refusal);
    EXPECT_EQ(module.patterns[1].cells[0][0].note, 0x42);
    EXPECT_EQ(r.consumed, 3 + patterns.size());
}

TEST(PatternRows, SlackAfterTheLastPatternIsReadAsTheNextChunk) {
    // The only pattern declares 10 bytes but its stream uses 2: the other 8 are an empty
    // unknown chunk, which the walk reads and skips.
    Bytes stream{0x00, 0x00};
    stream.id("XTRA").u32(0);
    Bytes file = test::header();
    file.chunk("PATT", test::patterns_payload(1, 1, test::pattern_bytes(1, 1, stream)));
    file.chunk("SEQU", test::orders_payload({0}));
    file.chunk("SMPI", test::sample_info_payload({test::SampleEntry{}}));
    file.id("ENDE");
    Module module;
    EXPECT_EQ(module.load_module_explained(file.data(), file.size()), LoadRefusal::none);

    // Other slack bytes are read the same way, here as a chunk longer than the file.
    Bytes garbage{0x00, 0x00, 'Q', 'Q', 'Q', 'Q', 0xFF, 0xFF, 0xFF, 0x7F};
    Bytes bad = test::header();
    bad.chunk("PATT", test::patterns_payload(1, 1, test::pattern_bytes(1, 1, garbage)));
    bad.id("ENDE");
    Module other;
    EXPECT_EQ(other.load_module_explained(bad.data(), bad.size()),
              LoadRefusal::chunk_payload_overrun);
}

struct CountCase {
    const char* name;
    Bytes payload;
    LoadRefusal expected;
};

Bytes empty_patterns(uint32_t count) {
    Bytes b;
    for (uint32_t i = 0; i < count; ++i) b.append(test::pattern_bytes(0, 0, {}));
    return b;
}

TEST(PatternChunk, CountsAndHeadersAreCheckedAgainstTheirLimits) {
    const CountCase cases[] = {
        {"1024 patterns", test::patterns_payload(1024, 0, empty_patterns(1024)), LoadRefusal::none},
        {"1025 patterns", test::patterns_payload(1025, 0, empty_patterns(1025)),
         LoadRefusal::pattern_count_invalid},
        {"0 patterns", test::patterns_payload(0, 0, {}), LoadRefusal::pattern_count_invalid},
        {"no pattern count", Bytes{0x01}, LoadRefusal::pattern_count_invalid},
        {"no song track count", Bytes{0x01, 0x00}, LoadRefusal::song_track_count_invalid},
        {"32 song tracks", test::patterns_payload(1, 32, empty_patterns(1)), LoadRefusal::none},
        {"33 song tracks", test::patterns_payload(1, 33, empty_patterns(1)),
         LoadRefusal::song_track_count_invalid},
        {"pattern header of 7 bytes", test::patterns_payload(1, 0, Bytes{0, 0, 0, 0, 0, 0, 0}),
         LoadRefusal::pattern_header_truncated},
        {"second pattern missing", test::patterns_payload(2, 0, empty_patterns(1)),
         LoadRefusal::pattern_header_truncated},
        {"packed size past the payload",
         test::patterns_payload(1, 0, test::pattern_bytes(1, 1, Bytes{0x00, 0x00}, 0x40, 3)),
         LoadRefusal::pattern_stream_overrun},
        {"stream ends inside a track entry",
         test::patterns_payload(1, 0, test::pattern_bytes(1, 1, Bytes{0x00, 0x64, 0x10})),
         LoadRefusal::pattern_stream_overrun},
        {"stream ends inside a global entry",
         test::patterns_payload(1, 0, test::pattern_bytes(0, 2, Bytes{0x00, 0x83})),
         LoadRefusal::pattern_stream_overrun},
        {"more tracks than the song declares",
         test::patterns_payload(1, 1, test::pattern_bytes(3, 1, Bytes{0, 0, 0, 0})),
         LoadRefusal::none},
    };
    for (const CountCase& c : cases) {
        Module module;
        ReadResult r = read(module, c.payload);
        EXPECT_EQ(r.refusal, c.expected)
            << c.name << ": got " << to_string(r.refusal) << ", want " << to_string(c.expected);
    }
}

TEST(PatternChunk, StreamNeverReadsPastItsDeclaredPackedSize) {
    // The declared size ends inside the track entry; the bytes that follow in the payload
    // (which would complete the entry) must not be taken.
    Bytes patterns = test::pattern_bytes(1, 1, Bytes{0x00, 0x64}, 0x40);
    patterns.raw({0x10, 0x31, 0x02, 0x05});
    Module module;
    EXPECT_EQ(read(module, test::patterns_payload(1, 0, patterns)).refusal,
              LoadRefusal::pattern_stream_overrun);
}

TEST(PatternChunk, HugePatternWithATinyStreamIsRefusedBeforeAllocating) {
    Module module;
    Bytes payload = test::patterns_payload(
        1, 0, test::pattern_bytes(255, 65535, Bytes{0x80, 0xFF, 0x80, 0xFF}));
    PatternCellBudget budget;
    EXPECT_EQ(read(module, payload, budget).refusal, LoadRefusal::pattern_stream_overrun);
    EXPECT_EQ(module.patterns[0].cells, nullptr);
    EXPECT_EQ(budget.left(), kPatternCellBudget);
}

TEST(PatternChunk, MinimalStreamOfRepeatsFillsEveryRow) {
    // 256 rows, 2 tracks: one entry per track with a repeat count of 255 covers all rows.
    Bytes stream{0x80, 0xFF, 0xA0, 0xFF, 0x11, 0x80, 0xFF};
    Module module;
    ASSERT_EQ(read_one(module, 2, 256, stream).refusal, LoadRefusal::none);
    EXPECT_EQ(module.patterns[0].cells[0][0].note, 0x11);
    EXPECT_EQ(module.patterns[0].cells[0][255].note, 0);
}

TEST(PatternChunk, RefusedChunkKeepsThePatternsDecodedSoFar) {
    Bytes patterns = test::pattern_bytes(1, 1, Bytes{0x00, 0x20, 0x09});
    patterns.append(test::pattern_bytes(1, 2, Bytes{0x00, 0x00}));  // second row missing
    Module module;
    EXPECT_EQ(read(module, test::patterns_payload(3, 0, patterns)).refusal,
              LoadRefusal::pattern_stream_overrun);
    ASSERT_NE(module.patterns, nullptr);
    EXPECT_EQ(module.pattern_count, 3u);
    EXPECT_EQ(module.patterns[0].cells[0][0].note, 9u);
    EXPECT_EQ(module.patterns[2].cells, nullptr);
}

TEST(PatternBudget, CountsEveryPatternOfTheLoadAcrossChunks) {
    // 100 rows x 10 tracks: 9000 cell bytes + 200 global bytes + 10 track pointers.
    const uint64_t cost = PatternCellBudget::cost(100, 10);
    EXPECT_EQ(cost, 9000u + 200u + 10u * sizeof(void*));
    Bytes stream;
    for (int row = 0; row < 100; ++row) stream.fill(11, 0x00);
    Bytes payload = test::patterns_payload(1, 0, test::pattern_bytes(10, 100, stream));

    PatternCellBudget budget(2 * cost + cost / 2);
    Module module;
    EXPECT_EQ(read(module, payload, budget).refusal, LoadRefusal::none);
    EXPECT_EQ(read(module, payload, budget).refusal, LoadRefusal::none);
    EXPECT_EQ(read(module, payload, budget).refusal, LoadRefusal::pattern_budget_exceeded);
    EXPECT_EQ(budget.left(), cost / 2);
}

TEST(PatternBudget, WholeLoadRefusesPatternsBeyondTheBudget) {
    // Each pattern of 65535 rows and 255 tracks decodes to about 150 MB: one fits the budget,
    // the second does not.
    Bytes stream;
    for (int group = 0; group < 256; ++group) {
        for (int entry = 0; entry < 256; ++entry) stream.raw({0x80, 0xFF});
    }
    Bytes pattern = test::pattern_bytes(255, 65535, stream);
    Bytes file = test::header();
    file.chunk("SEQU", test::orders_payload({0}));
    file.chunk("PATT", test::patterns_payload(1, 0, pattern));
    file.chunk("SMPI", test::sample_info_payload({test::SampleEntry{}}));
    file.chunk("PATT", test::patterns_payload(1, 0, pattern));
    file.id("ENDE");
    Module module;
    EXPECT_EQ(module.load_module_explained(file.data(), file.size()),
              LoadRefusal::pattern_budget_exceeded);
}

TEST(PatternStore, StoresAreRefusedOutsideThePattern) {
    Pattern p;
    Cell cell;
    cell.note = 5;
    EXPECT_FALSE(p.set_cell(0, 0, &cell));
    EXPECT_FALSE(p.set_global(0, 1, 2));
    ASSERT_TRUE(p.allocate(4, 2));
    EXPECT_TRUE(p.set_cell(3, 1, &cell));
    EXPECT_EQ(p.cells[1][3].note, 5);
    EXPECT_FALSE(p.set_cell(4, 1, &cell));
    EXPECT_FALSE(p.set_cell(3, 2, &cell));
    EXPECT_FALSE(p.set_cell(0, 0, nullptr));
    EXPECT_TRUE(p.set_global(3, 7, 8));
    EXPECT_FALSE(p.set_global(4, 7, 8));
    ASSERT_TRUE(p.allocate(1, 1));  // releases the old arrays
    EXPECT_EQ(p.row_count, 1u);
    EXPECT_EQ(p.track_count, 1u);
    EXPECT_FALSE(p.set_cell(3, 0, &cell));
}

}  // namespace
}  // namespace tarnwick
