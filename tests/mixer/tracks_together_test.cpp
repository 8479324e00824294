// A pattern's tracks rendered together, as the sequencer renders them (the mixer runs their
// voices side by side, pass by pass), add into the block exactly what the same tracks
// rendered one after the other add: every frame receives the same values in the same track
// order, to the last bit.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/effect_types.h"
#include "engine/sequencer.h"
#include "engine/track_player_set.h"
#include "loader/module.h"
#include "mixer/voice.h"
#include "dmf_writer/dmf_writer.h"

namespace tarnwick {
namespace {

// 27 tracks (more than one pass's window), whose voices cover every way a voice advances and
// sounds: steps below one frame and of many frames, reversed voices, offsets past the end of
// a sample, slides and vibrato that change the step every tick, volume changes that ramp,
// notes cut and voices that end and fade.
writer::Song varied_song() {
    constexpr uint8_t kTracks = 27;
    writer::Song song;
    song.track_count = kTracks;
    writer::PatternDesc p(kTracks, 48);
    const uint8_t notes[] = {1, 13, 30, 37, 49, 61, 73, 85, 97, 108, 44};
    for (uint8_t t = 0; t < kTracks; ++t) {
        for (uint16_t row = static_cast<uint16_t>(t % 3); row < 48; row += 6) {
            Cell c = writer::note_cell(notes[(t + row) % 11], static_cast<uint8_t>(1 + t % 3),
                                       static_cast<uint8_t>(90 + 13 * t));
            switch ((t + row) % 6) {
                case 0:
                    c.instrument_effect = instrument_effect::kReverse;
                    break;
                case 1:
                    c.note_effect = note_effect::kVibratoSine;
                    c.note_param = 0x37;
                    break;
                case 2:
                    c.note_effect = note_effect::kPortamentoUp;
                    c.note_param = 0x20;
                    break;
                case 3:
                    c.volume_effect = volume_effect::kVolumeSlideUp;
                    c.volume_param = 0x0C;
                    break;
                case 4:
                    c.instrument_effect = instrument_effect::kSampleOffset;
                    c.instrument_param = static_cast<uint8_t>(row + t);
                    break;
                default:
                    c.note_effect = note_effect::kNoteCut;
                    c.note_param = 40;
                    break;
            }
            p.set(row, t, c);
        }
    }
    p.set_global(20, global_effect::kRowDelay, 3);
    song.patterns.push_back(p);
    song.orders = {0};

    std::vector<int16_t> wave(3000);
    for (size_t k = 0; k < wave.size(); ++k) {
        wave[k] = static_cast<int16_t>(18000.0 * std::sin(0.07 * static_cast<double>(k)) +
                                       5000.0 * std::sin(0.61 * static_cast<double>(k)));
    }
    std::vector<int8_t> noise(900);
    for (size_t k = 0; k < noise.size(); ++k) noise[k] = static_cast<int8_t>((k * 73 + 19) % 201);
    song.samples.push_back(writer::SampleDesc::pcm16("wave", wave).loop(0, 2999));
    song.samples.push_back(writer::SampleDesc::pcm8("noise", noise));  // ends and fades
    song.samples.push_back(writer::SampleDesc::pcm8("short", noise).loop(3, 7));
    const uint16_t rates[] = {8363, 22050, 44100};
    for (size_t i = 0; i < song.samples.size(); ++i) song.samples[i].rate = rates[i];
    return song;
}

// A player set on the song's pattern, set up and bound as the sequencer does it.
void bind_all(TrackPlayerSet& set, const Module& m, uint32_t mode, bool ramping) {
    set.sample_list = &m.samples;
    set.mix_volume = 0.5f;
    set.resample_mode = mode;
    set.output_rate = 44100;
    set.ramp_enabled = ramping;
    ASSERT_TRUE(set.resize(m.patterns[0].track_count));
    for (uint32_t i = 0; i < set.count; ++i) ASSERT_TRUE(bind_player(m.patterns[0], set.at(i), i));
}

TEST(TracksTogether, EveryTrackAddsWhatItAddsRenderedAlone) {
    const writer::Bytes image = varied_song().build();
    Module m;
    ASSERT_TRUE(m.load_module(image.data(), image.size()));
    for (const uint32_t mode : {kResampleNearest, kResampleLinear, kResampleCubic}) {
        for (const bool ramping : {false, true}) {
            SCOPED_TRACE(testing::Message() << "mode " << mode << ", ramping " << ramping);
            TrackPlayerSet together, alone;
            bind_all(together, m, mode, ramping);
            bind_all(alone, m, mode, ramping);
            // Blocks of a size that is no multiple of the passes, until the pattern ends.
            constexpr uint32_t kBlock = 333;
            int32_t rendered = kBlock;
            uint32_t blocks = 0;
            for (; rendered == static_cast<int32_t>(kBlock); ++blocks) {
                std::vector<float> a(2 * kBlock, 0.25f), b(2 * kBlock, 0.25f);
                rendered = render_tracks(together, a.data(), kBlock);
                int32_t last = 0;
                for (uint32_t i = 0; i < alone.count; ++i)
                    last = alone.at(i)->render(b.data(), kBlock);
                ASSERT_EQ(rendered, last) << "block " << blocks;
                ASSERT_EQ(0, std::memcmp(a.data(), b.data(), a.size() * sizeof(float)))
                    << "block " << blocks;
            }
            EXPECT_GT(blocks, 100u) << "the whole pattern was compared";
        }
    }
}

}  // namespace
}  // namespace tarnwick
