#include <gtest/gtest.h>

#include "engine/effect_types.h"
#include "engine/track_player.h"
#include "tests/support/case_name.h"
#include "tests/support/track_fixture.h"

namespace tarnwick {
namespace {

using test::make_sample;
using test::OneTrack;

struct NoteGateCase {
    const char* name;
    bool next_on;
    uint32_t sample_length;  // 0: no sample
    uint32_t sample_pos;
    float step;
    bool note_on_after;
    uint32_t time_after;
};

class NoteGateStep : public testing::TestWithParam<NoteGateCase> {};

TEST_P(NoteGateStep, SwitchesTheNoteAndRearmsForThePhaseBegun) {
    const NoteGateCase& c = GetParam();
    auto s = make_sample(c.sample_length);
    TrackPlayer p;
    if (c.sample_length != 0) p.sample = s.get();
    p.sample_pos = c.sample_pos;
    p.step = c.step;
    p.note_gate_on = 32;
    p.note_gate_off = 48;
    p.note_gate_next_on = c.next_on;
    p.note_on = !c.next_on;
    p.event_time[kNoteGateSlot] = 100;
    p.note_gate_step();
    EXPECT_EQ(p.note_on, c.note_on_after);
    EXPECT_EQ(p.event_time[kNoteGateSlot], c.time_after);
    EXPECT_EQ(p.note_gate_next_on, !c.next_on);
    EXPECT_EQ(p.ramp_length, 144u);
    EXPECT_EQ(p.ramp_counter, 1u);
    EXPECT_TRUE(p.ramp_full);
}

INSTANTIATE_TEST_SUITE_P(
    Phases, NoteGateStep,
    testing::Values(NoteGateCase{"OffPhase", false, 100, 10, 1.0f, false, 148},
                    NoteGateCase{"OnPhaseForward", true, 100, 10, 1.0f, true, 132},
                    NoteGateCase{"OnPhaseBackward", true, 100, 10, -1.0f, true, 132},
                    NoteGateCase{"ForwardAtLastFrameStaysOff", true, 100, 99, 1.0f, false, 100},
                    NoteGateCase{"BackwardAtFrameZeroStaysOff", true, 100, 0, -1.0f, false, 100},
                    NoteGateCase{"StoppedVoiceStaysOff", true, 100, 10, 0.0f, false, 100},
                    NoteGateCase{"NoSampleStaysOff", true, 0, 0, 1.0f, false, 100}),
    test::CaseName{});

TEST(NoteGateStep, StoppedGateDoesNothing) {
    TrackPlayer p;
    p.note_on = true;
    p.note_gate_next_on = false;
    p.event_time[kNoteGateSlot] = 100;
    p.note_gate_step();
    EXPECT_TRUE(p.note_on);
    EXPECT_FALSE(p.note_gate_next_on);
    EXPECT_EQ(p.event_time[kNoteGateSlot], 100u);
    EXPECT_EQ(p.ramp_length, 0u);
}

TEST(NoteGateStep, WithoutRampingNoRamp) {
    TrackPlayer p;
    p.ramp_enabled = false;
    p.note_gate_off = 16;
    p.note_on = true;
    p.note_gate_step();
    EXPECT_FALSE(p.note_on);
    EXPECT_EQ(p.ramp_length, 0u);
    EXPECT_FALSE(p.ramp_full);
}

TEST(NoteGate, NewGateOnATriggeredRowStartsWithItsOffPhase) {
    auto s = make_sample(10000);
    OneTrack t{Cell{
        .note = 37, .instrument = 1, .note_effect = note_effect::kNoteGate, .note_param = 0x10}};
    TrackPlayer& p = t.player;
    p.sample = s.get();
    p.apply_note(37);
    p.trigger_sample();
    p.step = 0.5f;
    t.tick(0);
    ASSERT_EQ(p.event_time[kNoteGateSlot], 0u);
    p.note_gate_step();  // at 0: off for (hi + 1) * 16 = 32
    EXPECT_FALSE(p.note_on);
    EXPECT_EQ(p.event_time[kNoteGateSlot], 32u);
    p.note_gate_step();  // at 32: on for (lo + 1) * 16 = 16
    EXPECT_TRUE(p.note_on);
    EXPECT_EQ(p.event_time[kNoteGateSlot], 48u);
}

struct VolumeGateCase {
    const char* name;
    bool next_on;
    float gain_left_after;
    uint32_t time_after;
    uint32_t ramp_length;
};

class VolumeGateStep : public testing::TestWithParam<VolumeGateCase> {};

TEST_P(VolumeGateStep, MutesOrRestoresTheGainsNotTheVolume) {
    const VolumeGateCase& c = GetParam();
    TrackPlayer p;
    p.volume = 255.0f;
    p.panning = 0.0f;
    p.ramp_ref_volume = c.next_on ? 0.0f : 255.0f;  // the previous phase's gains
    p.ramp_ref_panning = 0.0f;
    p.volume_gate_on = 32;
    p.volume_gate_off = 48;
    p.volume_gate_next_on = c.next_on;
    p.event_time[kVolumeGateSlot] = 100;
    p.volume_gate_step();
    EXPECT_NEAR(p.gain_left, c.gain_left_after, 1e-6);
    EXPECT_EQ(p.volume, 255.0f);
    EXPECT_EQ(p.event_time[kVolumeGateSlot], c.time_after);
    EXPECT_EQ(p.volume_gate_next_on, !c.next_on);
    EXPECT_EQ(p.ramp_length, c.ramp_length);
}

INSTANTIATE_TEST_SUITE_P(Phases, VolumeGateStep,
                         testing::Values(VolumeGateCase{"Mute", false, 0.0f, 148, 144},
                                         VolumeGateCase{"Restore", true, 1.0f, 132, 144}),
                         test::CaseName{});

TEST(VolumeGateStep, StoppedGateDoesNothing) {
    TrackPlayer p;
    p.volume_gate_next_on = true;
    p.event_time[kVolumeGateSlot] = 100;
    p.volume_gate_step();
    EXPECT_TRUE(p.volume_gate_next_on);
    EXPECT_EQ(p.event_time[kVolumeGateSlot], 100u);
    EXPECT_EQ(p.gain_left, 0.0f);
}

TEST(VolumeGate, NewGateStartsMutedAndHoldsBackVolumeBytes) {
    auto s = make_sample(10000);
    OneTrack t{Cell{.instrument = 1,
                    .volume = 200,
                    .volume_effect = volume_effect::kVolumeGate,
                    .volume_param = 0x00},
               Cell{.volume = 100, .volume_effect = volume_effect::kVolumeGate}};
    TrackPlayer& p = t.player;
    p.panning = 0.0f;
    p.sample = s.get();
    p.trigger_sample();
    t.tick(0);
    p.update_gains();  // the byte asked for new gains
    ASSERT_EQ(p.volume, 200.0f);
    p.volume_gate_step();  // muted phase first
    EXPECT_EQ(p.gain_left, 0.0f);
    EXPECT_TRUE(p.volume_gate_next_on);
    t.next_row();
    t.tick(0);  // the next byte lands while muted: no gain update asked for
    EXPECT_EQ(p.volume, 100.0f);
    EXPECT_FALSE(p.gains_dirty);
    p.volume_gate_step();
    EXPECT_NEAR(p.gain_left, 100.0f / 255.0f, 1e-6);
}

}  // namespace
}  // namespace tarnwick
