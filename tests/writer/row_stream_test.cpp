// Row streams as bytes: presence bits, effect pairs, repeat counts for tracks and the global
// track, and the pattern header around them. A small independent decoder checks that random
// patterns come back cell for cell.

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "dmf_writer/pattern_encoder.h"

namespace tarnwick::writer {
namespace {

Cell make_cell(uint8_t note, uint8_t instrument, uint8_t volume, uint8_t ne, uint8_t np, uint8_t ie,
               uint8_t ip, uint8_t ve, uint8_t vp) {
    Cell c;
    c.note = note;
    c.instrument = instrument;
    c.volume = volume;
    c.note_effect = ne;
    c.note_param = np;
    c.instrument_effect = ie;
    c.instrument_param = ip;
    c.volume_effect = ve;
    c.volume_param = vp;
    return c;
}

// Decodes a row stream the way the format describes it, failing the test on any read past
// the stream.
PatternDesc decode_stream(const Bytes& stream, uint8_t tracks, uint16_t rows) {
    PatternDesc p(tracks, rows);
    size_t pos = 0;
    auto next = [&]() -> uint8_t {
        EXPECT_LT(pos, stream.size());
        return pos < stream.size() ? stream[pos++] : 0;
    };
    uint32_t global_counter = 0;
    std::vector<uint32_t> counters(tracks, 0);
    for (uint16_t r = 0; r < rows; ++r) {
        if (global_counter > 0) {
            --global_counter;
        } else {
            uint8_t g = next();
            if (g & 0x80) global_counter = next();
            uint8_t type = g & 0x3F;
            p.global[r] = {type, type ? next() : uint8_t{0}};
        }
        for (uint8_t t = 0; t < tracks; ++t) {
            if (counters[t] > 0) {
                --counters[t];
                continue;
            }
            Cell c;
            uint8_t b = next();
            if (b & 0x80) counters[t] = next();
            if (b & 0x40) c.instrument = next();
            if (b & 0x20) c.note = next();
            if (b & 0x10) c.volume = next();
            if (b & 0x08) c.instrument_effect = next(), c.instrument_param = next();
            if (b & 0x04) c.note_effect = next(), c.note_param = next();
            if (b & 0x02) c.volume_effect = next(), c.volume_param = next();
            p.cells[t][r] = c;
        }
    }
    EXPECT_EQ(pos, stream.size()) << "the stream has bytes that no row read";
    return p;
}

void expect_same_content(const PatternDesc& a, const PatternDesc& b) {
    ASSERT_EQ(a.track_count(), b.track_count());
    ASSERT_EQ(a.row_count(), b.row_count());
    for (uint16_t r = 0; r < a.row_count(); ++r) {
        EXPECT_EQ(a.global[r], b.global[r]) << "row " << r;
        for (uint8_t t = 0; t < a.track_count(); ++t)
            EXPECT_TRUE(same_cell(a.cell(r, t), b.cell(r, t))) << "row " << r << " track " << t;
    }
}

struct StreamCase {
    const char* name;
    PatternDesc pattern;
    Bytes expected;
};

std::vector<StreamCase> stream_cases() {
    std::vector<StreamCase> cases;
    cases.push_back({"empty rows compress into one count per track",
                     PatternDesc(1, 5),
                     {0x80, 0x04, 0x80, 0x04}});
    {
        PatternDesc p(1, 3);
        p.compress = false;
        cases.push_back({"without compression every row has info bytes",
                         p,
                         {0x00, 0x00, 0x00, 0x00, 0x00, 0x00}});
    }
    {
        PatternDesc p(0, 3);
        p.set_global(0, 3, 0x10);
        cases.push_back({"global effect with a run of two empty rows", p, {0x83, 0x02, 0x10}});
    }
    {
        PatternDesc p(1, 1);
        p.set(0, 0, make_cell(0x31, 0x10, 0, 2, 5, 0, 0, 0, 0));
        cases.push_back(
            {"instrument, note and note effect", p, {0x00, 0x64, 0x10, 0x31, 0x02, 0x05}});
    }
    {
        PatternDesc p(1, 1);
        p.set(0, 0, make_cell(1, 2, 3, 4, 5, 6, 7, 8, 9));
        cases.push_back(
            {"every byte of a cell in stream order", p, {0x00, 0x7E, 2, 1, 3, 6, 7, 4, 5, 8, 9}});
    }
    {
        PatternDesc p(1, 1);
        p.set(0, 0, make_cell(0, 0, 0, 0, 0, 0, 0, 0, 200));
        cases.push_back(
            {"a parameter without a type still writes its pair", p, {0x00, 0x02, 0x00, 200}});
    }
    {
        PatternDesc p(2, 4);
        p.set(0, 0, note_cell(37, 1)).set(2, 1, note_cell(255));
        p.set_global(1, 2, 125);
        cases.push_back({"runs end where the next event starts",
                         p,
                         {0x00,                // row 0 global: nothing, no run (row 1 busy)
                          0xE0, 0x03, 1, 37,   // track 0: note, then three empty rows
                          0x80, 0x01,          // track 1: empty, one empty row
                          0x82, 0x02, 125,     // row 1 global: effect, two empty rows
                          0xA0, 0x01, 255}});  // row 2 track 1: note off, one empty row
    }
    {
        PatternDesc p(1, 600);
        cases.push_back({"600 empty rows take three counts",
                         p,
                         {0x80, 0xFF, 0x80, 0xFF, 0x80, 0xFF, 0x80, 0xFF, 0x80, 87, 0x80, 87}});
    }
    {
        PatternDesc p(1, 4);
        p.max_run = 2;
        cases.push_back({"runs are cut at max_run", p, {0x80, 2, 0x80, 2, 0x00, 0x00}});
    }
    return cases;
}

TEST(RowStream, KnownPatternsEncodeToKnownBytes) {
    for (const StreamCase& c : stream_cases()) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(encode_row_stream(c.pattern), c.expected);
        expect_same_content(
            decode_stream(c.expected, c.pattern.track_count(), c.pattern.row_count()), c.pattern);
    }
}

TEST(RowStream, RandomPatternsDecodeCellForCell) {
    std::mt19937 rng(99);
    for (int round = 0; round < 40; ++round) {
        uint8_t tracks = static_cast<uint8_t>(rng() % 9);
        uint16_t rows = static_cast<uint16_t>(rng() % 700);
        PatternDesc p(tracks, rows);
        p.compress = round % 5 != 0;
        int density = 1 + static_cast<int>(rng() % 20);  // one in `density` cells is busy
        for (uint16_t r = 0; r < rows; ++r) {
            if (rng() % density == 0)
                p.set_global(r, static_cast<uint8_t>(1 + rng() % 63), static_cast<uint8_t>(rng()));
            for (uint8_t t = 0; t < tracks; ++t) {
                if (rng() % density != 0) continue;
                uint8_t bytes[9];
                for (auto& b : bytes) b = rng() % 3 == 0 ? static_cast<uint8_t>(rng()) : 0;
                p.set(r, t,
                      make_cell(bytes[0], bytes[1], bytes[2], bytes[3], bytes[4], bytes[5],
                                bytes[6], bytes[7], bytes[8]));
            }
        }
        SCOPED_TRACE(testing::Message() << "round " << round);
        expect_same_content(decode_stream(encode_row_stream(p), tracks, rows), p);
    }
}

TEST(RowStream, PatternHeaderCarriesCountsBeatAndPackedSize) {
    PatternDesc p(3, 0x0102, 6);
    Bytes stream = encode_row_stream(p);
    Bytes out = encode_pattern(p);
    ASSERT_EQ(out.size(), 8 + stream.size());
    EXPECT_EQ(out[0], 3);
    EXPECT_EQ(out[1], 0x60);
    EXPECT_EQ(out[2], 0x02);
    EXPECT_EQ(out[3], 0x01);
    EXPECT_EQ(out[4] | out[5] << 8 | out[6] << 16 | out[7] << 24, static_cast<int>(stream.size()));
}

TEST(RowStream, MalformationFieldsReplaceWhatTheEncoderDerives) {
    PatternDesc p(1, 2);
    p.beat_byte = 0x4F;
    p.track_count_field = 200;
    p.row_count_field = 0xFFFF;
    p.raw_stream = Bytes{0xAA, 0xBB};
    p.slack = {0xCC};
    EXPECT_EQ(encode_pattern(p), (Bytes{200, 0x4F, 0xFF, 0xFF, 3, 0, 0, 0, 0xAA, 0xBB, 0xCC}));
    p.packed_size_field = 0x01020304;
    EXPECT_EQ(encode_pattern(p), (Bytes{200, 0x4F, 0xFF, 0xFF, 4, 3, 2, 1, 0xAA, 0xBB, 0xCC}));
}

}  // namespace
}  // namespace tarnwick::writer
