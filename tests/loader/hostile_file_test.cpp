// Hostile files: claims far beyond the bytes present, truncations and corruptions. The loader
// must stay inside the image and keep its memory in proportion to the file.

#include <gtest/gtest.h>

#include "loader/module.h"
#include "loader/pattern_reader.h"
#include "tests/support/allocation_meter.h"
#include "tests/support/dmf_bytes.h"

namespace tarnwick {
namespace {

using test::Bytes;
using test::SampleEntry;

struct Load {
    LoadRefusal refusal;
    size_t largest;
    size_t total;
};

Load load_counted(const Bytes& file, Module& module) {
    test::AllocationMeter probe;
    LoadRefusal refusal = module.load_module_explained(file.data(), file.size());
    probe.stop();
    return {refusal, probe.largest(), probe.total()};
}

// A song that uses every chunk and storage: the base for the truncation and corruption sweeps.
Bytes rich_song() {
    Bytes file = test::header(8, "Rich", "Someone", "Tracker");
    file.chunk("CMSG", Bytes{0, 'h', 'e', 'l', 'l', 'o', 0x09, 'x'});
    file.chunk("SEQU", test::orders_payload({0, 1, 0}, 0, 2));
    // Two tracks, four rows: a repeated global effect, a repeated empty track, every field.
    Bytes stream{0x83, 0x02, 0x10, 0x64, 0x10, 0x31, 0x02, 0x05, 0x80, 0x02,            // row 0
                 0x00,                                                                  // row 1
                 0x00,                                                                  // row 2
                 0x00, 0x7E, 1,    2,    3,    4,    5,    6,    7,    8,    9, 0x00};  // row 3
    Bytes patterns = test::pattern_bytes(2, 4, stream);
    patterns.append(test::pattern_bytes(0, 3, Bytes{0x40, 0x05, 0x01, 0x80, 0x00}, 0x4F));
    file.chunk("PATT", test::patterns_payload(2, 2, patterns));
    file.chunk("SMPI", test::sample_info_payload({{"eight", 6, 2, 5, 8363, 64, 0x01, "lib"},
                                                  {"sixteen", 8, 0, 0, 22050, 32, 0x02, "lib2"},
                                                  {"packed", 10, 0, 0, 8363, 48, 0x04, ""}},
                                                 8));
    file.chunk("SMPD", test::sample_data_payload({Bytes{1, 2, 3, 4, 5, 6},
                                                  Bytes{0, 0x40, 0, 0xC0, 1, 0, 2, 0},
                                                  Bytes{0x80, 0x03, 0x08, 0xC0, 0x01}}));
    return file.id("ENDE");
}

// The most memory one load of `file` may take: 64 bytes per file byte and the pattern budget.
size_t allowance(const Bytes& file) {
    return 64 * file.size() + kPatternCellBudget;
}

TEST(HostileFile, RichSongLoads) {
    Bytes file = rich_song();
    Module module;
    ASSERT_EQ(module.load_module_explained(file.data(), file.size()), LoadRefusal::none);
    EXPECT_EQ(module.samples.count(), 3u);
    EXPECT_STREQ(module.samples.at(1)->library_name.get(), "lib2");
    EXPECT_EQ(module.patterns[1].beat, 4u);
    EXPECT_EQ(module.patterns[0].cells[0][3].volume_param, 9u);
    EXPECT_EQ(module.patterns[0].global_types[0], 3u);
    EXPECT_EQ(module.patterns[1].global_types[1], 5u);
}

TEST(HostileFile, EveryTruncationIsRefusedSafely) {
    const Bytes file = rich_song();
    for (size_t size = 0; size < file.size(); ++size) {
        Module module;
        EXPECT_NE(module.load_module_explained(file.data(), size), LoadRefusal::none) << size;
    }
}

TEST(HostileFile, CorruptedBytesNeverReadOutsideTheImageOrOverspendMemory) {
    const Bytes original = rich_song();
    const uint8_t replacements[] = {0x00, 0x01, 0x7F, 0x80, 0xFF};
    for (size_t at = 0; at < original.size(); ++at) {
        for (uint8_t value : replacements) {
            Bytes file = original;
            file[at] = value;
            Module module;
            Load result = load_counted(file, module);
            ASSERT_LE(result.total, allowance(file)) << "byte " << at << " = " << int{value};
        }
    }
}

TEST(HostileFile, TinyFileClaimingManyHugeSamplesLoadsWithLittleMemory) {
    Bytes info;
    info.u8(255);
    Bytes data;
    const uint8_t storages[] = {0x00, 0x02, 0x04, 0x06};
    for (int i = 0; i < 255; ++i) {
        SampleEntry e{"", 200000000, 0, 0, 8363, 64, storages[i % 4]};
        info.append(test::sample_entry(e));
        data.u32(1).u8(0x55);
    }
    Bytes file = test::header();
    file.chunk("SEQU", test::orders_payload({0}));
    file.chunk("PATT", test::single_pattern_payload());
    file.chunk("SMPI", info);
    file.chunk("SMPD", data);
    file.id("ENDE");

    Module module;
    Load result = load_counted(file, module);
    ASSERT_EQ(result.refusal, LoadRefusal::none);
    EXPECT_GT(result.total, 255 * sizeof(Sample));  // the probe sees the loader's allocations
    EXPECT_LE(result.total, 64 * file.size());
    for (uint32_t i = 0; i < 255; ++i) {
        const Sample& s = *module.samples.at(i);
        EXPECT_EQ(s.length, s.format == SampleFormat::pcm16 ? 100000000u : 200000000u) << i;
        ASSERT_NE(s.data, nullptr) << i;
        EXPECT_LE(s.stored_elements, 9u) << i;
        EXPECT_EQ(s.fetch(s.data_length - 1), 0.0f) << i;
    }
    EXPECT_EQ(module.samples.at(0)->fetch(1), 0x55 / 128.0f);
}

TEST(HostileFile, HugePatternClaimWithATinyStreamIsRefusedWithoutABigAllocation) {
    Bytes file = test::header();
    file.chunk("SEQU", test::orders_payload({0}));
    file.chunk("PATT", test::patterns_payload(
                           1, 0, test::pattern_bytes(255, 65535, Bytes{0x80, 0xFF, 0x80, 0xFF})));
    file.chunk("SMPI", test::sample_info_payload({SampleEntry{}}));
    file.id("ENDE");
    Module module;
    Load result = load_counted(file, module);
    EXPECT_EQ(result.refusal, LoadRefusal::pattern_stream_overrun);
    EXPECT_LE(result.total, 64 * file.size());
}

TEST(HostileFile, ManyPatternsClaimingTracksStayWithinTheBudget) {
    // 1024 patterns of 255 tracks and no rows: only track pointers, counted by the budget.
    Bytes patterns;
    for (int i = 0; i < 1024; ++i) patterns.append(test::pattern_bytes(255, 0, {}));
    Bytes file = test::header();
    file.chunk("SEQU", test::orders_payload({0}));
    file.chunk("PATT", test::patterns_payload(1024, 0, patterns));
    file.chunk("SMPI", test::sample_info_payload({SampleEntry{}}));
    file.id("ENDE");
    Module module;
    Load result = load_counted(file, module);
    EXPECT_EQ(result.refusal, LoadRefusal::none);
    EXPECT_LE(result.total, allowance(file));
}

TEST(HostileFile, PackedTreeDeeperThanItsBlockGivesSilence) {
    // Every node promises two children; the block ends long before the tree does.
    Bytes block;
    block.fill(4096, 0xFF);
    Bytes file = test::header();
    file.chunk("SEQU", test::orders_payload({0}));
    file.chunk("PATT", test::single_pattern_payload());
    file.chunk("SMPI", test::sample_info_payload({{"p", 100000, 0, 0, 8363, 64, 0x04}}));
    file.chunk("SMPD", test::sample_data_payload({block}));
    file.id("ENDE");
    Module module;
    Load result = load_counted(file, module);
    ASSERT_EQ(result.refusal, LoadRefusal::none);
    EXPECT_LE(result.total, 64 * file.size());
    const Sample& s = *module.samples.at(0);
    for (uint32_t i = 0; i < s.data_length; i += 997) EXPECT_EQ(s.fetch(i), 0.0f) << i;
}

}  // namespace
}  // namespace tarnwick
