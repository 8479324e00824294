// Samples that claim more than their files hold, played: every storage with a block shorter
// than its length, an empty block or none at all, loops at the far end of a sample that has
// only a few frames, sample offsets and reversal into the frames that are not there, and
// steps from a standstill to far beyond a frame per output frame.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "dmf_writer/dmf_writer.h"
#include "tests/robustness/hostile_playback.h"

namespace tarnwick::robustness {
namespace {

using writer::Bytes;
using writer::SampleDesc;
using writer::Storage;

// A song whose one track plays sample 1 with `cell` on its first row (and holds it).
writer::Song playing(const SampleDesc& sample, Cell cell) {
    writer::Song song;
    song.orders = {0};
    song.track_count = 1;
    writer::PatternDesc p(1, 16);
    cell.instrument = 1;
    if (cell.note == 0) cell.note = 37;
    p.set(0, 0, cell);
    song.patterns = {p};
    song.samples = {sample};
    return song;
}

SampleDesc claiming(Storage storage, uint32_t stored_size, Bytes block) {
    SampleDesc s = SampleDesc::pcm8("claims", std::vector<int8_t>{40, -40, 80, -80});
    s.storage = storage;
    s.stored_size = stored_size;
    s.block = std::move(block);
    return s;
}

TEST(HostileSample, ShortBlocksOfEveryStoragePlayWithEveryEffectThatMovesThePosition) {
    const Storage storages[] = {Storage::pcm8, Storage::pcm16, Storage::packed,
                                Storage::unsupported};
    const uint32_t lengths[] = {5, 70000, 200000000};
    // Instrument effects that move the read position: restart, every offset page, reverse.
    const uint8_t effects[] = {0, 3, 6, 7, 8, 9, 10};
    for (Storage storage : storages) {
        for (uint32_t length : lengths) {
            for (bool looping : {false, true}) {
                for (uint8_t effect : effects) {
                    SampleDesc s = claiming(storage, length, Bytes{0x80, 0x03, 0x08, 0xC0, 0x01});
                    if (looping) {
                        s.looping = true;
                        s.file_loop_start = length - 3;
                        s.file_loop_end = length;
                    }
                    Cell c;
                    c.instrument_effect = effect;
                    c.instrument_param = 0xFF;
                    const Bytes image = playing(s, c).build();
                    for (const PlaySettings& settings : settings_grid(8)) {
                        const PlayOutcome outcome = play(image, settings);
                        ASSERT_TRUE(outcome.loaded()) << to_string(outcome.refusal);
                        EXPECT_EQ(outcome.fault, "")
                            << "storage " << int(storage) << " length " << length;
                    }
                }
            }
        }
    }
}

TEST(HostileSample, SamplesWithoutStoredFramesPlayAsSilence) {
    SampleDesc empty_block = claiming(Storage::pcm8, 1000, Bytes{});
    SampleDesc no_block = empty_block;
    writer::Song without_data = playing(no_block, Cell{});
    without_data.samples[0].block.reset();
    for (const Bytes& image :
         {playing(empty_block, Cell{}).build(), writer::FileBuilder(without_data.header)
                                                    .orders(without_data.order_chunk())
                                                    .patterns(without_data.pattern_chunk())
                                                    .sample_info(without_data.samples)
                                                    .end()
                                                    .build()}) {
        Module module;
        ASSERT_TRUE(module.load_module(image.data(), image.size()));
        module.compute_length_seconds();
        module.set_output_rate(48000);
        std::vector<float> block(2 * kBlockFrames);
        for (int b = 0; b < 8; ++b) {
            ASSERT_EQ(module.render(block.data(), kBlockFrames),
                      static_cast<int32_t>(kBlockFrames));
            for (float v : block) ASSERT_EQ(v, 0.0f);
        }
    }
}

TEST(HostileSample, ShortBlockPlaysItsFramesThenSilence) {
    // 4 frames stored of 100000 claimed; at base rate the voice moves about 0.17 frames per
    // output frame, so the stored frames are behind it after some 30 output frames.
    SampleDesc s = claiming(Storage::pcm8, 100000, Bytes{100, 100, 100, 100});
    for (uint32_t mode : {0u, 1u, 2u}) {
        Module module;
        const Bytes image = playing(s, Cell{}).build();
        ASSERT_TRUE(module.load_module(image.data(), image.size()));
        module.set_output_rate(48000);
        module.set_resample_mode(mode);
        module.set_ramping(false);
        std::vector<float> block(2 * kBlockFrames);
        ASSERT_EQ(module.render(block.data(), kBlockFrames), static_cast<int32_t>(kBlockFrames));
        EXPECT_GT(block[0] + block[1], 0.0f) << mode;
        for (uint32_t i = 2 * 40; i < block.size(); ++i)
            ASSERT_EQ(block[i], 0.0f) << mode << " " << i;
    }
}

TEST(HostileSample, StepsFromStandstillToFarBeyondTheOutputRateStayInsideTheData) {
    // Base rates 0 and 65535, the lowest and the highest notes, slides and fine tune beyond
    // them, at output rates from 1 Hz to the largest that stored settings can hold.
    const uint16_t rates[] = {0, 1, 65535};
    const uint32_t output_rates[] = {1, 255, 8000, 48000, 0xFFFFFFFFu};
    struct Pitch {
        uint8_t note, note_effect, note_param;
    };
    const Pitch pitches[] = {{1, 5, 255},         {108, 4, 255}, {108, 1, 127}, {1, 1, 0x80},
                             {129 + 107, 6, 255}, {37, 3, 0xFF}, {37, 8, 0xFF}};
    for (uint16_t rate : rates) {
        SampleDesc s = SampleDesc::pcm8("s", std::vector<int8_t>(64, 50)).loop(60, 63);
        s.rate = rate;
        for (const Pitch& pitch : pitches) {
            Cell c;
            c.note = pitch.note;
            c.note_effect = pitch.note_effect;
            c.note_param = pitch.note_param;
            const Bytes image = playing(s, c).build();
            for (uint32_t output_rate : output_rates) {
                for (uint32_t mode : {0u, 1u, 2u}) {
                    PlaySettings settings;
                    settings.output_rate = output_rate;
                    settings.resample_mode = mode;
                    settings.blocks = 4;
                    const PlayOutcome outcome = play(image, settings);
                    ASSERT_TRUE(outcome.loaded());
                    EXPECT_EQ(outcome.fault, "") << rate << " " << output_rate;
                }
            }
        }
    }
}

}  // namespace
}  // namespace tarnwick::robustness
