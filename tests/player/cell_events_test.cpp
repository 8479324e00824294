#include <gtest/gtest.h>

#include "engine/effect_types.h"
#include "engine/track_player.h"
#include "tests/support/case_name.h"
#include "tests/support/track_fixture.h"

namespace tarnwick {
namespace {

TEST(NoteByte, PlayNoteSetsPitchAndClearsFineTune) {
    TrackPlayer p;
    p.fine_tune = 12.0f;
    p.apply_note(37);
    EXPECT_EQ(p.pitch, 576.0f);
    EXPECT_EQ(p.fine_tune, 0.0f);
    EXPECT_TRUE(p.note_on);
    EXPECT_TRUE(p.pitch_dirty);
    p.apply_note(108);
    EXPECT_EQ(p.pitch, 1712.0f);
    p.apply_note(1);
    EXPECT_EQ(p.pitch, 0.0f);
}

TEST(NoteByte, NoteDoesNotRestartTheSample) {
    auto s = test::make_sample(100);
    TrackPlayer p;
    p.sample = s.get();
    p.sample_pos = 40;
    p.apply_note(50);
    EXPECT_EQ(p.sample_pos, 40u);
    EXPECT_FALSE(p.history_stale);
}

TEST(NoteByte, PortamentoTargetOnlyStoresTheTarget) {
    TrackPlayer p;
    p.pitch = 100.0f;
    p.apply_note(129 + 36);
    EXPECT_EQ(p.porta_target, 592.0f);
    EXPECT_EQ(p.pitch, 100.0f);
    EXPECT_FALSE(p.note_on);
    EXPECT_FALSE(p.pitch_dirty);
    p.apply_note(236);
    EXPECT_EQ(p.porta_target, 108.0f * 16.0f);
}

TEST(NoteByte, NoteOffSilencesAtOnceAndRampsDown) {
    auto s = test::make_sample(100);
    TrackPlayer p;
    p.sample = s.get();
    p.sample_active = true;
    p.note_on = true;
    p.step = 0.5f;
    p.apply_note(note_value::kNoteOff);
    EXPECT_FALSE(p.note_on);
    EXPECT_EQ(p.step, 0.0f);
    EXPECT_EQ(p.ramp_length, 144u);
    EXPECT_EQ(p.ramp_counter, 1u);
    EXPECT_TRUE(p.ramp_full);
    EXPECT_EQ(p.sample, s.get());  // the sample stays selected
    EXPECT_TRUE(p.sample_active);
}

TEST(NoteByte, NoteOffWithoutRampingCutsAtOnce) {
    TrackPlayer p;
    p.ramp_enabled = false;
    p.note_on = true;
    p.apply_note(note_value::kNoteOff);
    EXPECT_FALSE(p.note_on);
    EXPECT_EQ(p.ramp_length, 0u);
    EXPECT_FALSE(p.ramp_full);
}

TEST(NoteByte, OtherValuesDoNothing) {
    for (int v : {0, 109, 128, 237, 254}) {
        TrackPlayer p;
        p.note_on = true;
        p.pitch = 33.0f;
        p.apply_note(static_cast<uint8_t>(v));
        EXPECT_TRUE(p.note_on) << v;
        EXPECT_EQ(p.pitch, 33.0f) << v;
        EXPECT_EQ(p.porta_target, 0.0f) << v;
        EXPECT_FALSE(p.pitch_dirty) << v;
    }
}

struct VolumeByteCase {
    const char* name;
    Cell cell;
    float row_pos;
    bool volume_gate_muted;
    float volume_after;
    bool gains_dirty;
};

class VolumeByte : public testing::TestWithParam<VolumeByteCase> {};

TEST_P(VolumeByte, AppliesOnTheFirstTickOnly) {
    const VolumeByteCase& c = GetParam();
    test::OneTrack t{c.cell};
    TrackPlayer& p = t.player;
    p.volume = 200.0f;
    if (c.volume_gate_muted) {
        p.volume_gate_on = 16;
        p.volume_gate_off = 16;
        p.volume_gate_next_on = true;
    }
    p.row_pos = c.row_pos;
    EXPECT_TRUE(p.apply_cell());
    EXPECT_EQ(p.volume, c.volume_after);
    EXPECT_EQ(p.gains_dirty, c.gains_dirty);
}

INSTANTIATE_TEST_SUITE_P(
    Cells, VolumeByte,
    testing::Values(
        VolumeByteCase{"FirstTick", Cell{.volume = 40}, 0.0f, false, 40.0f, true},
        VolumeByteCase{"JustBeforePosition63", Cell{.volume = 40}, 62.9f, false, 40.0f, true},
        VolumeByteCase{"Position63IsTooLate", Cell{.volume = 40}, 63.0f, false, 200.0f, false},
        VolumeByteCase{"SecondTick", Cell{.volume = 40}, 64.0f, false, 200.0f, false},
        VolumeByteCase{"ZeroByteIsNothing", Cell{.volume = 0}, 0.0f, false, 200.0f, false},
        VolumeByteCase{"MutedGateKeepsGains", Cell{.volume = 40}, 0.0f, true, 40.0f, false},
        VolumeByteCase{"InstrumentWithRestartSkipsByte",
                       Cell{.instrument = 2,
                            .volume = 40,
                            .instrument_effect = instrument_effect::kRestartSample},
                       0.0f, false, 200.0f, false},
        VolumeByteCase{"RestartWithoutInstrumentApplies",
                       Cell{.volume = 40, .instrument_effect = instrument_effect::kRestartSample},
                       0.0f, false, 40.0f, true},
        VolumeByteCase{
            "InstrumentWithOtherEffectApplies",
            Cell{.instrument = 2, .volume = 40, .instrument_effect = instrument_effect::kLoopOff},
            0.0f, false, 40.0f, true}),
    test::CaseName{});

TEST(ApplyCell, VolumeByteComesBeforeTheInstrumentEffect) {
    // Stop sample sets full volume: it must win over the byte of the same cell.
    test::OneTrack t{Cell{.volume = 40, .instrument_effect = instrument_effect::kStopSample}};
    t.tick(0);
    EXPECT_EQ(t.player.volume, 255.0f);
}

TEST(ApplyCell, VolumeEffectComesAfterTheVolumeByte) {
    test::OneTrack t{
        Cell{.volume = 40, .volume_effect = volume_effect::kVolumeSlideUp, .volume_param = 8}};
    t.tick(0);
    EXPECT_EQ(t.player.volume, 42.0f);
}

TEST(ApplyCell, OffTheRowNothingHappens) {
    test::OneTrack t{Cell{.volume = 40}};
    t.player.row = 1;  // past the last row
    EXPECT_TRUE(t.player.apply_cell());
    EXPECT_EQ(t.player.volume, 255.0f);
    EXPECT_FALSE(t.player.gains_dirty);
}

}  // namespace
}  // namespace tarnwick
