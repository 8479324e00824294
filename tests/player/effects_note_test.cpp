#include <gtest/gtest.h>

#include <vector>

#include "engine/effect_types.h"
#include "engine/track_player.h"
#include "tests/support/case_name.h"
#include "tests/support/track_fixture.h"

namespace tarnwick {
namespace {

using test::expected_step;
using test::make_sample;
using test::OneTrack;

TEST(FineTune, SignedParameterInPitchUnits) {
    for (auto [param, tune] : std::vector<std::pair<uint8_t, float>>{
             {16, 16.0f}, {0x7F, 127.0f}, {0x80, -128.0f}, {0xF0, -16.0f}, {0, 0.0f}}) {
        OneTrack t{Cell{.note_effect = note_effect::kFineTune, .note_param = param}};
        t.player.fine_tune = 5.0f;
        t.tick(0);
        EXPECT_EQ(t.player.fine_tune, tune) << int{param};
        EXPECT_TRUE(t.player.pitch_dirty);
    }
}

TEST(FineTune, OnlyBeforePosition63) {
    OneTrack t{Cell{.note_effect = note_effect::kFineTune, .note_param = 16}};
    t.player.row_pos = 63.0f;
    t.player.apply_cell();
    EXPECT_EQ(t.player.fine_tune, 0.0f);
    EXPECT_FALSE(t.player.pitch_dirty);
}

struct SlideCase {
    const char* name;
    uint8_t type;
    uint8_t param;
    float start;
    std::vector<float> after_each_tick;
};

class PitchSlide : public testing::TestWithParam<SlideCase> {};

TEST_P(PitchSlide, MovesThePitchEveryTick) {
    const SlideCase& c = GetParam();
    OneTrack t{Cell{.note_effect = c.type, .note_param = c.param}};
    t.player.pitch = c.start;
    t.player.porta_target = 592.0f;  // a stored target of note 129 + 36: slides toward 591
    for (size_t i = 0; i < c.after_each_tick.size(); ++i) {
        t.player.pitch_dirty = false;
        t.tick(static_cast<int>(i % 4));
        EXPECT_EQ(t.player.pitch, c.after_each_tick[i]) << "tick " << i;
        EXPECT_TRUE(t.player.pitch_dirty) << "tick " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Slides, PitchSlide,
                         testing::Values(SlideCase{"PortamentoUpOneSemitonePerTick",
                                                   note_effect::kPortamentoUp,
                                                   64,
                                                   576.0f,
                                                   {592.0f, 608.0f, 624.0f, 640.0f}},
                                         SlideCase{"PortamentoUpQuarterUnits",
                                                   note_effect::kPortamentoUp,
                                                   1,
                                                   0.0f,
                                                   {0.25f, 0.5f, 0.75f, 1.0f}},
                                         SlideCase{"PortamentoUpStopsAt1728",
                                                   note_effect::kPortamentoUp,
                                                   64,
                                                   1700.0f,
                                                   {1716.0f, 1728.0f, 1728.0f}},
                                         SlideCase{"PortamentoDownStopsAt0",
                                                   note_effect::kPortamentoDown,
                                                   255,
                                                   100.0f,
                                                   {36.25f, 0.0f, 0.0f}},
                                         SlideCase{"TonePortamentoReachesTargetAndStays",
                                                   note_effect::kTonePortamento,
                                                   32,
                                                   576.0f,
                                                   {584.0f, 591.0f, 591.0f, 591.0f}},
                                         SlideCase{"TonePortamentoDownwards",
                                                   note_effect::kTonePortamento,
                                                   64,
                                                   620.0f,
                                                   {604.0f, 591.0f, 591.0f}},
                                         SlideCase{"TonePortamentoZeroParamStillMarksPitch",
                                                   note_effect::kTonePortamento,
                                                   0,
                                                   576.0f,
                                                   {576.0f, 576.0f}}),
                         test::CaseName{});

TEST(SetPitch, WritesBeforePosition192AndMarksEveryTick) {
    OneTrack t{Cell{.note_effect = note_effect::kSetPitch, .note_param = 50}};
    t.player.pitch = 10.0f;
    t.tick(0);
    EXPECT_EQ(t.player.pitch, 800.0f);
    t.player.pitch = 10.0f;
    t.player.row_pos = 191.0f;
    t.player.apply_cell();
    EXPECT_EQ(t.player.pitch, 800.0f);
    t.player.pitch = 10.0f;
    t.player.pitch_dirty = false;
    t.tick(3);
    EXPECT_EQ(t.player.pitch, 10.0f);
    EXPECT_TRUE(t.player.pitch_dirty);
}

TEST(Arpeggio, Param47PlaysNoteThenPlus4ThenPlus7OnePerTick) {
    auto s = make_sample(1000, 8363.0f);
    const Cell arp{.note_effect = note_effect::kArpeggio, .note_param = 0x47};
    OneTrack t{arp, arp, Cell{}, arp};
    TrackPlayer& p = t.player;
    p.sample = s.get();
    p.pitch = 576.0f;
    const float semitones[] = {0, 4, 7, 0, /* next row runs on */ 4, 7, 0, 4};
    for (int i = 0; i < 8; ++i) {
        if (i == 4) t.next_row();
        t.tick(i % 4);
        const double want = expected_step(576.0 + 16.0 * semitones[i], 8363.0, 48000.0);
        EXPECT_NEAR(p.step, want, want * 2e-6) << "tick " << i;
        EXPECT_EQ(p.pitch, 576.0f) << "tick " << i;
        EXPECT_FALSE(p.pitch_dirty) << "tick " << i;
    }
    EXPECT_EQ(p.arp_offset_1, 64.0f);
    EXPECT_EQ(p.arp_offset_2, 112.0f);

    // A row without the effect stops it (the scheduler's row entry clears arp_running);
    // the next arpeggio starts again with the plain note.
    t.next_row();
    p.arp_running = false;
    t.next_row();
    t.tick(0);
    EXPECT_NEAR(p.step, expected_step(576.0, 8363.0, 48000.0), 1e-6);
    EXPECT_EQ(p.arp_phase, 1u);
}

TEST(Arpeggio, OffsetsAreTakenOnTheFirstTickOnly) {
    OneTrack t{Cell{.note_effect = note_effect::kArpeggio, .note_param = 0x47}};
    t.player.arp_offset_1 = 1.0f;
    t.player.arp_offset_2 = 2.0f;
    t.tick(1);
    EXPECT_EQ(t.player.arp_offset_1, 1.0f);
    EXPECT_EQ(t.player.arp_offset_2, 2.0f);
    EXPECT_TRUE(t.player.arp_running);
}

struct VibratoCase {
    const char* name;
    uint8_t type;
    uint8_t param;
    int32_t wave;
    float speed;
    float depth;
};

class VibratoStart : public testing::TestWithParam<VibratoCase> {};

TEST_P(VibratoStart, SetsWaveSpeedDepthAndArmsTheModulator) {
    const VibratoCase& c = GetParam();
    OneTrack t{Cell{.note_effect = c.type, .note_param = c.param}};
    TrackPlayer& p = t.player;
    p.vibrato_phase = 0.6f;
    p.event_time[kModulatorSlot] = 77;
    p.row_pos = 63.0f;  // "up to 63": still the first tick
    p.apply_cell();
    EXPECT_EQ(p.vibrato_wave, c.wave);
    EXPECT_FLOAT_EQ(p.vibrato_speed, c.speed);
    EXPECT_EQ(p.vibrato_depth, c.depth);
    EXPECT_EQ(p.vibrato_phase, 0.0f);  // a new vibrato starts at phase 0
    EXPECT_EQ(p.event_time[kModulatorSlot], 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Waves, VibratoStart,
    testing::Values(
        VibratoCase{"SineParam00", note_effect::kVibratoSine, 0x00, 1, 1.0f / 8.0f, 2.0f},
        VibratoCase{"TriangleParam3F", note_effect::kVibratoTriangle, 0x3F, 2, 1.0f / 32.0f, 32.0f},
        VibratoCase{"SquareParamF0", note_effect::kVibratoSquare, 0xF0, 3, 1.0f / 128.0f, 2.0f}),
    test::CaseName{});

TEST(VibratoStart, RunningVibratoKeepsItsPhase) {
    OneTrack t{Cell{.note_effect = note_effect::kVibratoSquare, .note_param = 0x11}};
    t.player.vibrato_wave = 1;
    t.player.vibrato_phase = 0.375f;
    t.tick(0);
    EXPECT_EQ(t.player.vibrato_phase, 0.375f);
    EXPECT_EQ(t.player.vibrato_wave, 3);
    EXPECT_EQ(t.player.vibrato_depth, 4.0f);
}

TEST(VibratoStart, NotOnLaterTicks) {
    OneTrack t{Cell{.note_effect = note_effect::kVibratoSine, .note_param = 0x00}};
    t.tick(1);
    EXPECT_EQ(t.player.vibrato_wave, 0);
    EXPECT_EQ(t.player.event_time[kModulatorSlot], kNeverTime);
}

TEST(NoteGateStart, NewGateBeginsOffEvenAfterATrigger) {
    auto s = make_sample(1000);
    OneTrack t{Cell{.instrument = 1, .note_effect = note_effect::kNoteGate, .note_param = 0x21}};
    TrackPlayer& p = t.player;
    p.sample = s.get();
    p.trigger_sample();  // sets note_gate_next_on
    ASSERT_TRUE(p.note_gate_next_on);
    t.tick(0);
    EXPECT_FALSE(p.note_gate_next_on);
    EXPECT_EQ(p.note_gate_on, 32);   // (lo + 1) * 16
    EXPECT_EQ(p.note_gate_off, 48);  // (hi + 1) * 16
}

TEST(NoteGateStart, RunningGateKeepsItsPhaseAndIgnoresPosition63) {
    OneTrack t{Cell{.note_effect = note_effect::kNoteGate, .note_param = 0x00}};
    TrackPlayer& p = t.player;
    p.note_gate_on = 64;
    p.note_gate_next_on = true;
    t.tick(0);
    EXPECT_TRUE(p.note_gate_next_on);
    EXPECT_EQ(p.note_gate_on, 16);
    EXPECT_EQ(p.note_gate_off, 16);
    p.note_gate_on = 99;
    p.row_pos = 63.0f;  // "below 63": too late
    p.apply_cell();
    EXPECT_EQ(p.note_gate_on, 99);
}

TEST(NoteCut, Param63CutsAtTheSecondTick) {
    OneTrack t{Cell{.note_effect = note_effect::kNoteCut, .note_param = 63}};
    t.tick(0);
    EXPECT_EQ(t.player.event_time[kCutSlot], 64u);
    t.player.event_time[kCutSlot] = kNeverTime;  // fired
    t.tick(1);
    EXPECT_EQ(t.player.event_time[kCutSlot], kNeverTime);
}

TEST(NoteCut, Param255IsDueAtTheRowsEnd) {
    OneTrack t{Cell{.note_effect = note_effect::kNoteCut, .note_param = 255}};
    t.tick(0);
    EXPECT_EQ(t.player.event_time[kCutSlot], 256u);
}

TEST(NoteEffects, ThoseWithNothingToDoLeaveThePitchAlone) {
    struct Case {
        const char* what;
        uint8_t type, param;
        float pitch;
        bool whole_row;  // all four ticks, or the first only
    };
    const Case cases[] = {
        {"tone portamento without a target", note_effect::kTonePortamento, 32, 576.0f, false},
        {"set pitch 108 and above", note_effect::kSetPitch, 108, 10.0f, false},
        {"note delay at tick time", note_effect::kNoteDelay, 0x47, 576.0f, true},
        {"unknown type 13", 13, 0x47, 576.0f, true},
        {"unknown type 200", 200, 0x47, 576.0f, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        OneTrack t{Cell{.note_effect = c.type, .note_param = c.param}};
        t.player.pitch = c.pitch;
        if (c.whole_row)
            t.play_row();
        else
            t.tick(0);
        EXPECT_EQ(t.player.pitch, c.pitch);
        EXPECT_FALSE(t.player.pitch_dirty);
        EXPECT_EQ(t.player.event_time[kNoteSlot], kNeverTime);
    }
}

}  // namespace
}  // namespace tarnwick
