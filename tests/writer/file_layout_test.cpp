// The header, chunk framing, sample entries and blocks, and the image edits, as bytes.

#include <gtest/gtest.h>

#include <string>

#include "dmf_writer/dmf_writer.h"

namespace tarnwick::writer {
namespace {

uint32_t u32_at(const Bytes& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

TEST(FileLayout, HeaderFieldsSitAtTheirOffsetsWithExactWidths) {
    Header h;
    h.version = 7;
    h.tracker_name = "TRACKER-LONGER";      // cut to 8
    h.title = std::string(30, 'T');         // fills the field
    h.composer = std::string("ab\0cd", 5);  // a NUL inside the field
    h.day = 7;
    h.month = 3;
    h.year = 95;
    Bytes b = encode_header(h);
    ASSERT_EQ(b.size(), kFileHeaderSize);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "DDMF");
    EXPECT_EQ(b[4], 7);
    EXPECT_EQ(std::string(b.begin() + 5, b.begin() + 13), "TRACKER-");
    EXPECT_EQ(std::string(b.begin() + 13, b.begin() + 43), std::string(30, 'T'));
    std::string composer("ab\0cd", 5);
    composer.append(15, '\0');
    EXPECT_EQ(std::string(b.begin() + 43, b.begin() + 63), composer);
    EXPECT_EQ(b[63], 7);
    EXPECT_EQ(b[64], 3);
    EXPECT_EQ(b[65], 95);
}

TEST(FileLayout, ChunkFramingCountsPayloadAndSlackUnlessOverridden) {
    EXPECT_EQ(encode_chunk("JUNK", {1, 2}), (Bytes{'J', 'U', 'N', 'K', 2, 0, 0, 0, 1, 2}));
    Framing slack{std::nullopt, {9}};
    EXPECT_EQ(encode_chunk("JUNK", {1, 2}, slack),
              (Bytes{'J', 'U', 'N', 'K', 3, 0, 0, 0, 1, 2, 9}));
    Framing lie{0xFFFFFFFF, {}};
    EXPECT_EQ(encode_chunk("JUNK", {1}, lie),
              (Bytes{'J', 'U', 'N', 'K', 0xFF, 0xFF, 0xFF, 0xFF, 1}));
}

TEST(FileLayout, SmallChunkPayloads) {
    EXPECT_EQ(encode_payload(MessageChunk{"Hi", 0x20, {}}), (Bytes{0x20, 'H', 'i'}));
    EXPECT_EQ(encode_payload(OrderChunk{1, 2, {3, 0x0104}, {}}), (Bytes{1, 0, 2, 0, 3, 0, 4, 1}));
    PatternChunk patt;
    patt.song_track_count = 33;
    patt.pattern_count = 1025;
    EXPECT_EQ(encode_payload(patt), (Bytes{0x01, 0x04, 33}));
}

TEST(FileLayout, SampleEntryTakesNamePlus22BytesOr30WithLibraryNames) {
    SampleDesc s = SampleDesc::pcm8("kick", std::vector<int8_t>(1000, 0));
    s.library_name = "DRUMS";
    s.rate = 22050;
    s.volume = 200;
    s.file_loop_start = 100;
    s.file_loop_end = 1000;
    s.looping = true;
    Bytes v7 = encode_sample_entry(s, false);
    Bytes v8 = encode_sample_entry(s, true);
    ASSERT_EQ(v7.size(), 1 + 4 + 22u);
    ASSERT_EQ(v8.size(), 1 + 4 + 30u);
    EXPECT_EQ(v7[0], 4);
    EXPECT_EQ(std::string(v7.begin() + 1, v7.begin() + 5), "kick");
    EXPECT_EQ(u32_at(v7, 5), 1000u);
    EXPECT_EQ(u32_at(v7, 9), 100u);
    EXPECT_EQ(u32_at(v7, 13), 1000u);
    EXPECT_EQ(v7[17] | v7[18] << 8, 22050);
    EXPECT_EQ(v7[19], 200);
    EXPECT_EQ(v7[20], 0x01);
    EXPECT_EQ(std::string(v8.begin() + 21, v8.begin() + 29), std::string("DRUMS\0\0\0", 8));
}

TEST(FileLayout, FlagsAndSizesFollowTheStorage) {
    struct Row {
        Storage storage;
        bool looping;
        uint8_t flags;
        uint32_t stored_size;  // for 10 frames
        size_t block_bytes;
    };
    for (const Row& r :
         {Row{Storage::pcm8, false, 0x00, 10, 10}, Row{Storage::pcm8, true, 0x01, 10, 10},
          Row{Storage::pcm16, true, 0x03, 20, 20}, Row{Storage::packed, false, 0x04, 10, 0},
          Row{Storage::unsupported, true, 0x07, 10, 10}}) {
        SampleDesc s;
        s.storage = r.storage;
        s.frames.assign(10, 3);
        s.looping = r.looping;
        EXPECT_EQ(s.derived_flags(), r.flags);
        EXPECT_EQ(s.stored_size_field(), r.stored_size);
        if (r.block_bytes) {
            EXPECT_EQ(s.encoded_block().size(), r.block_bytes);
        }
    }
}

TEST(FileLayout, LoopHelperStoresFramePlusOneOrBytes) {
    SampleDesc s8 = SampleDesc::pcm8("a", std::vector<int8_t>(1000, 0));
    s8.loop(99, 999);
    EXPECT_EQ(s8.file_loop_start, 100u);
    EXPECT_EQ(s8.file_loop_end, 1000u);
    SampleDesc s16 = SampleDesc::pcm16("b", std::vector<int16_t>(500, 0));
    s16.loop(49, 499);
    EXPECT_EQ(s16.file_loop_start, 100u);
    EXPECT_EQ(s16.file_loop_end, 1000u);
}

TEST(FileLayout, FloatFramesAreQuantizedAndClamped) {
    std::vector<float> x{0.0f, 0.5f, -1.0f, 0.9999f, 1.5f, -3.0f};
    EXPECT_EQ(SampleDesc::from_floats("a", Storage::pcm8, x).frames,
              (std::vector<int16_t>{0, 64, -128, 127, 127, -128}));
    EXPECT_EQ(SampleDesc::from_floats("a", Storage::pcm16, x).frames,
              (std::vector<int16_t>{0, 16384, -32768, 32765, 32767, -32768}));
}

TEST(FileLayout, SampleBlocksAreLittleEndianWithOverrides) {
    SampleDesc s = SampleDesc::pcm16("w", std::vector<int16_t>{-32768, 0x0102});
    EXPECT_EQ(encode_sample_block(s), (Bytes{4, 0, 0, 0, 0x00, 0x80, 0x02, 0x01}));
    s.block = Bytes{7};
    s.block_size = 99;
    EXPECT_EQ(encode_sample_block(s), (Bytes{99, 0, 0, 0, 7}));
}

TEST(FileLayout, SongBuildsTheUsualChunkOrderAndFindChunkWalksIt) {
    Song song = minimal_song();
    song.message = "hello";
    song.after_end = {'j', 'u', 'n', 'k'};
    Bytes image = song.build();
    size_t pos = kFileHeaderSize;
    for (const char* id : {"CMSG", "SEQU", "PATT", "SMPI", "SMPD"}) {
        auto found = find_chunk(image, id);
        ASSERT_TRUE(found) << id;
        EXPECT_EQ(*found, pos) << id;
        pos += 8 + u32_at(image, pos + 4);
    }
    EXPECT_EQ(find_chunk(image, "ENDE"), pos);
    EXPECT_EQ(image.size(), pos + 4 + 4);
    EXPECT_FALSE(find_chunk(image, "junk"));
}

TEST(FileLayout, FileBuilderKeepsAnyChunkOrderAndRepeats) {
    Song song = minimal_song();
    Bytes image = FileBuilder(song.header)
                      .chunk("JUNK", {1, 2, 3})
                      .orders(song.order_chunk())
                      .orders(song.order_chunk())
                      .samples(song.samples)
                      .patterns(song.pattern_chunk())
                      .build();
    EXPECT_EQ(find_chunk(image, "JUNK"), kFileHeaderSize);
    EXPECT_EQ(find_chunk(image, "SEQU"), kFileHeaderSize + 11);
    ASSERT_TRUE(find_chunk(image, "SEQU", 1));
    EXPECT_LT(*find_chunk(image, "SMPD"), *find_chunk(image, "PATT"));
    EXPECT_FALSE(find_chunk(image, "ENDE"));
}

TEST(FileLayout, ImageEditsTruncateAndPatch) {
    Bytes image = minimal_song().build();
    EXPECT_EQ(truncated(image, 70).size(), 70u);
    EXPECT_EQ(truncated(image, 1 << 20), image);
    size_t patt = *find_chunk(image, "PATT");
    patch_u32(image, patt + 4, 0x11223344);
    EXPECT_EQ(u32_at(image, patt + 4), 0x11223344u);
    patch_u16(image, patt + 8, 0);
    EXPECT_EQ(image[patt + 8], 0);
    patch_bytes(image, image.size() - 1, {1, 2});
    EXPECT_EQ(image.back(), 2);
}

}  // namespace
}  // namespace tarnwick::writer
