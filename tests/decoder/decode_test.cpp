// Decode calls as the host sees them: whole blocks of 512 frames that hold exactly what the
// song renders, silence after its end, the end reported once the song is over, and chunks
// that resize or cannot hold a block.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "tests/decoder/decoder_fixture.h"

namespace tarnwick::decoder_test {
namespace {

using Decoding = DecoderFixture;

using qarvel::OPEN_DECODE;
using Call = test_host::AudioChunk::Call;

// The song rendered straight from the module, configured as an open with these settings does,
// block by block; stops at the end of the song. Frames as rendered, no padding.
std::vector<float> render_directly(const Song& song, const StoredSettings& v) {
    Module module;
    const writer::Bytes image = song.build();
    EXPECT_TRUE(module.load_module(image.data(), image.size()));
    module.compute_length_seconds();
    module.set_resample_mode(static_cast<uint32_t>(v.rsmode));
    module.set_mix_volume(static_cast<float>(v.vol * 0.001));
    module.set_output_rate(static_cast<uint32_t>(v.srate));
    module.set_ramping(v.ramplen != 0);
    module.set_ramp_ms(static_cast<float>(v.ramplen * 0.001));
    module.looping = v.loop == 1;
    std::vector<float> out;
    std::vector<float> block(kDecodeBlockSamples);
    for (;;) {
        std::fill(block.begin(), block.end(), 0.0f);
        const int32_t n = module.render(block.data(), kDecodeBlockFrames);
        if (n <= 0) break;
        out.insert(out.end(), block.begin(), block.begin() + 2 * n);
    }
    return out;
}

TEST_F(Decoding, DeliveredBlocksHoldTheRenderedSongAndTheLastIsPaddedWithSilence) {
    // One row at a tick of 1049 frames: 4196 frames, 8 whole blocks and 100 frames.
    StoredSettings v;
    v.srate = 32 * 1049;
    store_settings(v);
    const Song song = tone_song(1);
    const std::vector<float> expected = render_directly(song, v);
    ASSERT_EQ(expected.size(), 2u * 4196u);

    DecoderService* d = open_song(song, OPEN_DECODE);
    const test_host::DecodedSong decoded = test_host::decode_to_end(*d, 1000);
    EXPECT_EQ(decoded.last_result, 0);
    ASSERT_EQ(decoded.blocks, 9u);
    ASSERT_EQ(decoded.samples.size(), 9u * kDecodeBlockSamples);

    bool sounds = false;
    for (size_t i = 0; i < expected.size(); ++i) {
        ASSERT_EQ(decoded.samples[i], static_cast<double>(expected[i])) << "sample " << i;
        sounds = sounds || expected[i] != 0.0f;
    }
    EXPECT_TRUE(sounds);
    for (size_t i = expected.size(); i < decoded.samples.size(); ++i) {
        ASSERT_EQ(decoded.samples[i], 0.0) << "padding sample " << i;
    }

    test_host::AudioChunk chunk;
    EXPECT_EQ(d->decode(&chunk), 0) << "an ended song stays ended";
}

TEST_F(Decoding, LoopingSongDeliversTheSameAsTheSongRenderedOnItsOwn) {
    StoredSettings v;
    v.loop = 1;
    v.rsmode = 2;
    store_settings(v);
    const Song song = tone_song(2, 3);
    DecoderService* d = open_song(song, OPEN_DECODE);
    const test_host::DecodedSong decoded = test_host::decode_to_end(*d, 40);
    EXPECT_EQ(decoded.blocks, 40u);

    Module module;
    const writer::Bytes image = song.build();
    ASSERT_TRUE(module.load_module(image.data(), image.size()));
    module.compute_length_seconds();
    module.set_resample_mode(2);
    module.set_mix_volume(0.25f);
    module.set_output_rate(48000);
    module.set_ramping(true);
    module.set_ramp_ms(3.0f);
    module.looping = true;
    std::vector<float> block(kDecodeBlockSamples);
    for (uint32_t b = 0; b < 40; ++b) {
        std::fill(block.begin(), block.end(), 0.0f);
        ASSERT_EQ(module.render(block.data(), kDecodeBlockFrames), 512);
        for (uint32_t i = 0; i < kDecodeBlockSamples; ++i) {
            ASSERT_EQ(decoded.samples[b * kDecodeBlockSamples + i], block[i])
                << "block " << b << " sample " << i;
        }
    }
}

TEST_F(Decoding, EmptyChunkIsResizedThenFilledAndDescribedInOrder) {
    DecoderService* d = open_song(tone_song(), OPEN_DECODE);
    test_host::AudioChunk chunk;
    ASSERT_EQ(d->decode(&chunk), 1);
    EXPECT_EQ(chunk.calls(),
              (std::vector<Call>{Call::sample_rate, Call::capacity, Call::resize, Call::frame_count,
                                 Call::channel_count, Call::sample_rate}));
    EXPECT_EQ(chunk.frames(), 512u);
    EXPECT_EQ(chunk.channels(), 2u);
    EXPECT_EQ(chunk.sample_rate(), 48000u);
    ASSERT_EQ(chunk.samples().size(), 1024u);
    for (double s : chunk.samples()) ASSERT_NE(s, test_host::AudioChunk::kUnwritten);
}

TEST_F(Decoding, ChunkLargeEnoughIsUsedAsItIs) {
    DecoderService* d = open_song(tone_song(), OPEN_DECODE);
    test_host::AudioChunk chunk(test_host::AudioChunk::Storage::grows, 2048);
    ASSERT_EQ(d->decode(&chunk), 1);
    EXPECT_EQ(chunk.resizes(), 0);
    EXPECT_EQ(chunk.calls(),
              (std::vector<Call>{Call::sample_rate, Call::capacity, Call::storage,
                                 Call::frame_count, Call::channel_count, Call::sample_rate}));
    // Only the block's 1024 samples are written.
    EXPECT_NE(chunk.samples()[1023], test_host::AudioChunk::kUnwritten);
    EXPECT_EQ(chunk.samples()[1024], test_host::AudioChunk::kUnwritten);
}

TEST_F(Decoding, ChunkWithoutStorageIsEmptiedAndDecodingGoesOn) {
    DecoderService* d = open_song(tone_song(8), OPEN_DECODE);
    test_host::AudioChunk chunk(test_host::AudioChunk::Storage::none);
    uint32_t blocks = 0;
    int32_t result = 1;
    while (blocks < 1000 && (result = d->decode(&chunk)) == 1) {
        ++blocks;
        EXPECT_EQ(chunk.frames(), 0u);
        EXPECT_EQ(chunk.sample_rate(), 0u);
        EXPECT_EQ(chunk.channels(), 0u);
    }
    EXPECT_EQ(result, 0);
    EXPECT_EQ(blocks, 94u) << "the song still runs its course";
}

TEST_F(Decoding, RenderFailureStopsWithAnErrorOnTheConsole) {
    // The second order names a pattern that the song does not have.
    Song song = tone_song(4);
    song.orders = {0, 5};
    DecoderService* d = open_song(song, OPEN_DECODE);
    int32_t result = 1;
    for (uint32_t blocks = 0; blocks < 1000 && result == 1; ++blocks) {
        test_host::AudioChunk chunk;
        result = d->decode(&chunk);
    }
    EXPECT_EQ(result, -1);
    ASSERT_EQ(console_.lines().size(), 1u);
    EXPECT_EQ(console_.lines()[0].message, "Rendering error");
    EXPECT_EQ(console_.lines()[0].severity, qarvel::SEVERITY_ERROR);
    EXPECT_EQ(console_.references(), 0) << "the console is released after printing";
}

}  // namespace
}  // namespace tarnwick::decoder_test
