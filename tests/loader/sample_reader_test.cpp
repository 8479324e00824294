// The "SMPI" and "SMPD" chunks: descriptions, loops, names and frame conversion.

#include "loader/sample_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "loader/module.h"
#include "tests/support/dmf_bytes.h"

namespace tarnwick {
namespace {

using test::Bytes;
using test::SampleEntry;

struct ReadResult {
    LoadRefusal refusal;
    size_t consumed;  // bytes after the length field
};

template <typename Reader>
ReadResult read(Reader reader, Module& module, const Bytes& payload) {
    const Bytes chunk = test::with_length(payload);
    ChunkCursor cursor(chunk.data(), chunk.size());
    LoadRefusal refusal = reader(module, cursor);
    return {refusal, cursor.position() - 4};
}

ReadResult read_info(Module& module, std::initializer_list<SampleEntry> entries) {
    return read(read_sample_info, module, test::sample_info_payload(entries, module.version));
}

// The elements that `fetch` gives for 0 .. count - 1.
std::vector<float> fetched(const Sample& sample, uint32_t count) {
    std::vector<float> out;
    for (uint32_t i = 0; i < count; ++i) out.push_back(sample.fetch(i));
    return out;
}

// ---- "SMPI" ----

struct EntryCase {
    const char* name;
    SampleEntry entry;
    SampleFormat format;
    uint32_t length;
    uint32_t loop_start;
    uint32_t loop_end;
};

TEST(SampleInfo, LengthsAndLoopsFollowTheFlags) {
    const EntryCase cases[] = {
        {"8-bit loop", {"", 1000, 100, 1000, 8363, 64, 0x01}, SampleFormat::pcm8, 1000, 99, 999},
        {"16-bit loop halved",
         {"", 1000, 100, 1000, 8363, 64, 0x03},
         SampleFormat::pcm16,
         500,
         49,
         499},
        {"odd 16-bit size", {"", 1001, 0, 0, 8363, 64, 0x02}, SampleFormat::pcm16, 500, 0, 0},
        {"loop end past the sample",
         {"", 1000, 100, 1001, 0, 0, 0x01},
         SampleFormat::pcm8,
         1000,
         0,
         0},
        {"loop flag clear", {"", 1000, 100, 1000, 0, 0, 0x00}, SampleFormat::pcm8, 1000, 0, 0},
        {"loop start after loop end",
         {"", 1000, 500, 400, 0, 0, 0x01},
         SampleFormat::pcm8,
         1000,
         0,
         0},
        {"empty loop", {"", 1000, 400, 400, 0, 0, 0x01}, SampleFormat::pcm8, 1000, 0, 0},
        {"loop points of zero", {"", 1000, 0, 0, 0, 0, 0x01}, SampleFormat::pcm8, 1000, 0, 0},
        {"loop from the first frame", {"", 10, 0, 5, 0, 0, 0x01}, SampleFormat::pcm8, 10, 0, 4},
        {"packed", {"", 300, 11, 201, 0, 0, 0x05}, SampleFormat::packed, 300, 10, 200},
        {"unsupported storage", {"", 300, 0, 0, 0, 0, 0x06}, SampleFormat::unsupported, 300, 0, 0},
        {"ignored bits 4..6", {"", 20, 2, 11, 0, 0, 0x71}, SampleFormat::pcm8, 20, 1, 10},
        {"empty sample", {"", 0, 0, 0, 0, 0, 0x01}, SampleFormat::pcm8, 0, 0, 0},
    };
    for (const EntryCase& c : cases) {
        Module module;
        ReadResult r = read_info(module, {c.entry});
        ASSERT_EQ(r.refusal, LoadRefusal::none) << c.name;
        const Sample& s = *module.samples.at(0);
        EXPECT_EQ(s.format, c.format) << c.name;
        EXPECT_EQ(s.length, c.length) << c.name;
        EXPECT_EQ(s.data_length, c.length + 2) << c.name;
        EXPECT_EQ(s.loop_start, c.loop_start) << c.name;
        EXPECT_EQ(s.loop_end, c.loop_end) << c.name;
        EXPECT_EQ(s.data, nullptr) << c.name;
    }
}

TEST(SampleInfo, RateVolumeAndNamesAreStored) {
    Module module;
    ASSERT_EQ(read_info(module, {{"Bass drum", 10, 0, 0, 44100, 255, 0}}).refusal,
              LoadRefusal::none);
    const Sample& s = *module.samples.at(0);
    EXPECT_EQ(s.base_rate, 44100.0f);
    EXPECT_EQ(s.volume, 255.0f);
    EXPECT_STREQ(s.name.get(), "Bass drum");
    EXPECT_EQ(s.library_name, nullptr);  // version 7: no library names
}

TEST(SampleInfo, RefusedFlagsRefuseTheFile) {
    for (uint8_t flags : {0x81, 0x09, 0x08, 0x80, 0xFF}) {
        Module module;
        EXPECT_EQ(read_info(module, {{"", 10, 0, 0, 0, 0, flags}}).refusal,
                  LoadRefusal::sample_flags_refused)
            << int{flags};
    }
}

TEST(SampleInfo, NamesUpToThirtyBytesEndingAtTheirFirstNul) {
    Module module;
    const std::string thirty(30, 'n');
    ASSERT_EQ(read_info(module, {{thirty}, {std::string("abc\0defghi", 10)}, {""}}).refusal,
              LoadRefusal::none);
    EXPECT_EQ(std::string(module.samples.at(0)->name.get()), thirty);
    EXPECT_STREQ(module.samples.at(1)->name.get(), "abc");
    ASSERT_NE(module.samples.at(2)->name, nullptr);
    EXPECT_STREQ(module.samples.at(2)->name.get(), "");

    Module other;
    EXPECT_EQ(read_info(other, {{std::string(31, 'n')}}).refusal,
              LoadRefusal::sample_name_too_long);
}

TEST(SampleInfo, EntrySizeDependsOnTheVersion) {
    // Version 7: 23 + n bytes per entry; version 8: 31 + n and a library name.
    for (uint32_t version : {7u, 8u}) {
        Module module;
        module.version = version;
        ReadResult r = read_info(module, {{"ab", 10, 0, 0, 0, 0, 0, std::string("LIB\0XYZW", 8)},
                                          {"c", 10, 0, 0, 0, 0, 0, "12345678"}});
        ASSERT_EQ(r.refusal, LoadRefusal::none) << version;
        const size_t entry = version == 8 ? 31 : 23;
        EXPECT_EQ(r.consumed, 1 + (entry + 2) + (entry + 1)) << version;
        if (version == 8) {
            EXPECT_STREQ(module.samples.at(0)->library_name.get(), "LIB");
            EXPECT_STREQ(module.samples.at(1)->library_name.get(), "12345678");
        } else {
            EXPECT_EQ(module.samples.at(0)->library_name, nullptr);
        }
    }
}

struct TruncationCase {
    const char* name;
    Bytes payload;
    LoadRefusal expected;
};

TEST(SampleInfo, IncompleteEntriesAreRefused) {
    Bytes whole = test::sample_info_payload({{"abc"}});
    Bytes short_by_one = whole;
    short_by_one.vector().pop_back();
    const TruncationCase cases[] = {
        {"empty payload", Bytes{}, LoadRefusal::sample_info_empty},
        {"no name length", Bytes{0x01}, LoadRefusal::sample_entry_truncated},
        {"entry one byte short", short_by_one, LoadRefusal::sample_entry_truncated},
        {"second entry missing", Bytes{0x02}.append(test::sample_entry({"abc"})),
         LoadRefusal::sample_entry_truncated},
        {"whole entry", whole, LoadRefusal::none},
        {"zero samples", Bytes{0x00}, LoadRefusal::none},
    };
    for (const TruncationCase& c : cases) {
        Module module;
        EXPECT_EQ(read(read_sample_info, module, c.payload).refusal, c.expected) << c.name;
    }
}

TEST(SampleInfo, ZeroSamplesEmptiesTheList) {
    Module module;
    ASSERT_EQ(read_info(module, {{"a"}, {"b"}}).refusal, LoadRefusal::none);
    ASSERT_EQ(module.samples.count(), 2u);
    EXPECT_EQ(read(read_sample_info, module, Bytes{0x00}).refusal, LoadRefusal::none);
    EXPECT_EQ(module.samples.count(), 0u);
    EXPECT_EQ(module.samples.at(0), nullptr);
}

TEST(SampleInfo, LaterSampleInfoKeepsDataButNeverReadsPastTheNewLength) {
    Module module;
    ASSERT_EQ(read_info(module, {{"a", 4}, {"b", 4}}).refusal, LoadRefusal::none);
    ASSERT_EQ(read(read_sample_data, module,
                   test::sample_data_payload({Bytes{0x40, 0x40, 0x40, 0x40}, Bytes{1, 2, 3, 4}}))
                  .refusal,
              LoadRefusal::none);
    ASSERT_EQ(read_info(module, {{"a2", 2}}).refusal, LoadRefusal::none);
    ASSERT_EQ(module.samples.count(), 1u);
    const Sample& s = *module.samples.at(0);
    EXPECT_STREQ(s.name.get(), "a2");
    ASSERT_NE(s.data, nullptr);
    EXPECT_EQ(s.length, 2u);
    EXPECT_EQ(s.stored_elements, 4u);
    EXPECT_EQ(fetched(s, 5), (std::vector<float>{0.5f, 0.5f, 0.5f, 0.5f, 0.0f}));
}

TEST(SampleList, ResizeKeepsLeadingRecordsAndAppendsEmptyOnes) {
    SampleList list;
    ASSERT_TRUE(list.resize(2));
    list.at(0)->length = 11;
    list.at(1)->length = 22;
    ASSERT_TRUE(list.resize(3));
    EXPECT_EQ(list.at(0)->length, 11u);
    EXPECT_EQ(list.at(1)->length, 22u);
    EXPECT_EQ(list.at(2)->length, 0u);
    ASSERT_TRUE(list.resize(1));
    EXPECT_EQ(list.at(0)->length, 11u);
    EXPECT_EQ(list.at(1), nullptr);
    EXPECT_EQ(list.at(0xFFFFFFFFu), nullptr);  // instrument 0 minus one
    ASSERT_TRUE(list.resize(0));
    EXPECT_EQ(list.count(), 0u);
}

TEST(SampleText, NullTextLeavesTheFieldNull) {
    Sample s;
    ASSERT_TRUE(s.set_name("abc"));
    EXPECT_TRUE(s.set_name(nullptr));
    EXPECT_EQ(s.name, nullptr);
    EXPECT_TRUE(s.set_library_name("x"));
    EXPECT_STREQ(s.library_name.get(), "x");
}

// ---- "SMPD" and conversion ----

struct ConversionCase {
    const char* name;
    SampleEntry entry;
    Bytes block;
    uint32_t stored_elements;
    std::vector<float> elements;  // fetch(0 ..)
};

TEST(SampleData, BlocksConvertToFloatFramesWithGuardElements) {
    const ConversionCase cases[] = {
        {"8-bit",
         {"", 3},
         Bytes{0x7F, 0x80, 0x00},
         5,
         {0.9921875f, 0.9921875f, -1.0f, 0.0f, 0.0f, 0.0f}},
        {"8-bit guard repeats the last frame",
         {"", 2},
         Bytes{0x01, 0xFF},
         4,
         {0.0078125f, 0.0078125f, -0.0078125f, -0.0078125f, 0.0f}},
        {"16-bit",
         {"", 4, 0, 0, 0, 0, 0x02},
         Bytes{0x00, 0x80, 0xFF, 0x7F},
         4,
         {-1.0f, -1.0f, 0.999969482421875f, 0.999969482421875f, 0.0f}},
        {"short 8-bit block keeps only the frames it has",
         {"", 1000},
         Bytes{0x40, 0xC0, 0x20},
         4,
         {0.5f, 0.5f, -0.5f, 0.25f, 0.0f, 0.0f}},
        {"short 16-bit block ignores a half frame",
         {"", 20, 0, 0, 0, 0, 0x02},
         Bytes{0x00, 0x40, 0x00, 0xC0, 0x7F},
         3,
         {0.5f, 0.5f, -0.5f, 0.0f}},
        {"16-bit block of one byte holds no frame",
         {"", 20, 0, 0, 0, 0, 0x02},
         Bytes{0x7F},
         2,
         {0.0f, 0.0f, 0.0f}},
        {"long block reads only the sample's frames",
         {"", 2},
         Bytes{0x40, 0x40, 0x7F, 0x7F},
         4,
         {0.5f, 0.5f, 0.5f, 0.5f, 0.0f}},
        {"unsupported storage is silence",
         {"", 4, 0, 0, 0, 0, 0x06},
         Bytes{0x7F, 0x7F, 0x7F, 0x7F},
         2,
         {0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f}},
    };
    for (const ConversionCase& c : cases) {
        Module module;
        ASSERT_EQ(read_info(module, {c.entry}).refusal, LoadRefusal::none) << c.name;
        ReadResult r = read(read_sample_data, module, test::sample_data_payload({c.block}));
        ASSERT_EQ(r.refusal, LoadRefusal::none) << c.name;
        const Sample& s = *module.samples.at(0);
        ASSERT_NE(s.data, nullptr) << c.name;
        EXPECT_EQ(s.stored_elements, c.stored_elements) << c.name;
        EXPECT_LE(s.stored_elements, s.data_length) << c.name;
        EXPECT_EQ(fetched(s, static_cast<uint32_t>(c.elements.size())), c.elements) << c.name;
        EXPECT_EQ(s.fetch(s.data_length - 1),
                  s.stored_elements == s.data_length ? s.data[s.data_length - 2] : 0.0f)
            << c.name;
        EXPECT_EQ(r.consumed, 4 + c.block.size()) << c.name;
    }
}

TEST(SampleData, EmptyBlockLeavesTheSampleAsItWasAndLoadingGoesOn) {
    Module module;
    ASSERT_EQ(read_info(module, {{"a", 2}, {"b", 2}}).refusal, LoadRefusal::none);
    ASSERT_EQ(read(read_sample_data, module, test::sample_data_payload({Bytes{}, Bytes{0x40, 0}}))
                  .refusal,
              LoadRefusal::none);
    EXPECT_EQ(module.samples.at(0)->data, nullptr);
    EXPECT_EQ(module.samples.at(0)->stored_elements, 0u);
    ASSERT_NE(module.samples.at(1)->data, nullptr);
    EXPECT_EQ(module.samples.at(1)->fetch(1), 0.5f);

    // A later empty block keeps the data that an earlier one gave.
    ASSERT_EQ(read(read_sample_data, module, test::sample_data_payload({Bytes{}, Bytes{}})).refusal,
              LoadRefusal::none);
    EXPECT_EQ(module.samples.at(1)->fetch(1), 0.5f);
}

TEST(SampleData, BadBlocksAreRefusedForTheRightReason) {
    struct Case {
        const char* name;
        SampleEntry entry;
        Bytes payload;
        LoadRefusal expected;
    };
    Bytes overrun;
    overrun.u32(5).raw({1, 2, 3});
    const Case cases[] = {
        {"non-empty block for an empty sample",
         {"", 0},
         test::sample_data_payload({Bytes{1}}),
         LoadRefusal::sample_data_refused},
        {"sample longer than the limit",
         {"", 200000001},
         test::sample_data_payload({Bytes{1}}),
         LoadRefusal::sample_data_refused},
        {"sample at the limit",
         {"", 200000000},
         test::sample_data_payload({Bytes{1}}),
         LoadRefusal::none},
        {"block count missing", {"", 4}, Bytes{0x01, 0x00}, LoadRefusal::sample_block_truncated},
        {"block past the payload", {"", 4}, overrun, LoadRefusal::sample_block_truncated},
    };
    for (const Case& c : cases) {
        Module module;
        ASSERT_EQ(read_info(module, {c.entry}).refusal, LoadRefusal::none) << c.name;
        EXPECT_EQ(read(read_sample_data, module, c.payload).refusal, c.expected) << c.name;
    }
}

TEST(SampleData, BlocksBeyondTheSampleListAreNotConsumed) {
    Module module;
    ASSERT_EQ(read_info(module, {{"a", 1}}).refusal, LoadRefusal::none);
    ReadResult r =
        read(read_sample_data, module, test::sample_data_payload({Bytes{0x40}, Bytes{1, 2}}));
    ASSERT_EQ(r.refusal, LoadRefusal::none);
    EXPECT_EQ(r.consumed, 5u);
}

TEST(SampleData, BeforeAnySampleInfoOnlyTheLengthIsRead) {
    // The payload of an early "SMPD" is read by the walk as further chunks.
    Bytes file = test::header();
    Bytes inner;
    inner.chunk("XTRA", Bytes{9, 9});
    file.chunk("SMPD", inner);
    file.chunk("SEQU", test::orders_payload({0}));
    file.chunk("PATT", test::single_pattern_payload());
    file.chunk("SMPI", test::sample_info_payload({SampleEntry{}}));
    file.id("ENDE");
    Module module;
    EXPECT_EQ(module.load_module_explained(file.data(), file.size()), LoadRefusal::none);

    Bytes bad = test::header();
    bad.chunk("SMPD", Bytes{'Q', 'Q', 'Q', 'Q', 0xFF, 0xFF});
    Module other;
    EXPECT_EQ(other.load_module_explained(bad.data(), bad.size()),
              LoadRefusal::chunk_length_truncated);
}

TEST(SampleData, SetDataRefusesAbsentBytesAndClearsTheOldData) {
    Sample s;
    const uint8_t block[] = {0x40, 0x40};
    ASSERT_TRUE(s.set_data(block, 2, 2, SampleFormat::pcm8));
    EXPECT_FALSE(s.set_data(nullptr, 2, 2, SampleFormat::pcm8));
    EXPECT_EQ(s.data, nullptr);
    EXPECT_EQ(s.stored_elements, 0u);
    EXPECT_EQ(s.length, 2u);
    EXPECT_EQ(s.data_length, 4u);
    EXPECT_EQ(s.fetch(1), 0.0f);
}

TEST(SampleData, HugeLengthKeepsAnHonestDataLength) {
    Sample s;
    s.set_length(0xFFFFFFFFu);
    EXPECT_EQ(s.data_length, 0xFFFFFFFFu);
    s.set_length(7);
    EXPECT_EQ(s.data_length, 9u);
}

}  // namespace
}  // namespace tarnwick
