#include <gtest/gtest.h>

#include "engine/effect_types.h"
#include "engine/track_player.h"
#include "tests/support/case_name.h"
#include "tests/support/track_fixture.h"

namespace tarnwick {
namespace {

using test::make_sample;
using test::OneTrack;

// A player with a looping sample playing backwards from frame 300.
struct PlayingSample {
    std::unique_ptr<Sample> sample = make_sample(300000, 8363.0f, 0.0f, 100, 200000);
    OneTrack t;
    explicit PlayingSample(Cell cell) : t{cell} {
        TrackPlayer& p = t.player;
        p.sample = sample.get();
        p.sample_active = false;
        p.loop_enabled = false;
        p.note_on = true;
        p.sample_pos = 300;
        p.sample_frac = 0.5f;
        p.step = -0.5f;
        p.volume = 100.0f;
    }
};

TEST(StopSample, SilencesAtFullVolumeWithAFullRampNext) {
    PlayingSample v{Cell{.instrument_effect = instrument_effect::kStopSample}};
    v.t.player.sample_active = true;
    v.t.tick(2);  // every tick
    const TrackPlayer& p = v.t.player;
    EXPECT_FALSE(p.sample_active);
    EXPECT_EQ(p.volume, 255.0f);
    EXPECT_TRUE(p.gains_dirty);
    EXPECT_TRUE(p.ramp_full);
    EXPECT_EQ(p.sample_pos, 0u);
}

TEST(LoopOff, EveryTick) {
    PlayingSample v{Cell{.instrument_effect = instrument_effect::kLoopOff}};
    v.t.player.loop_enabled = true;
    v.t.tick(3);
    EXPECT_FALSE(v.t.player.loop_enabled);
}

TEST(RestartSample, RestartsForwardsFromFrameZero) {
    PlayingSample v{Cell{.instrument_effect = instrument_effect::kRestartSample}};
    v.t.player.row_pos = 63.0f;  // "up to 63": still the first tick
    v.t.player.apply_cell();
    const TrackPlayer& p = v.t.player;
    EXPECT_TRUE(p.sample_active);
    EXPECT_TRUE(p.loop_enabled);
    EXPECT_EQ(p.sample_pos, 0u);
    EXPECT_EQ(p.sample_frac, 0.0f);
    EXPECT_EQ(p.step, 0.5f);
    EXPECT_EQ(p.ramp_length, 0u);
}

TEST(RestartSample, NotOnLaterTicksNorWithoutSample) {
    PlayingSample v{Cell{.instrument_effect = instrument_effect::kRestartSample}};
    v.t.tick(1);
    EXPECT_EQ(v.t.player.sample_pos, 300u);
    EXPECT_FALSE(v.t.player.sample_active);

    OneTrack none{Cell{.instrument_effect = instrument_effect::kRestartSample}};
    none.tick(0);
    EXPECT_FALSE(none.player.sample_active);
}

TEST(Retrigger, FirstRetriggerIsDueAtOnceAndIntervalFollowsTheParameter) {
    OneTrack t{Cell{.instrument_effect = instrument_effect::kRetrigger, .instrument_param = 64},
               Cell{.instrument_effect = instrument_effect::kRetrigger, .instrument_param = 32},
               Cell{.instrument_effect = instrument_effect::kRetrigger, .instrument_param = 0}};
    TrackPlayer& p = t.player;
    p.event_time[kRetriggerSlot] = 999;
    t.tick(0);
    EXPECT_EQ(p.retrigger_interval, 64);
    EXPECT_EQ(p.event_time[kRetriggerSlot], 0u);

    p.event_time[kRetriggerSlot] = 128;  // the scheduler re-arms it; a running one keeps time
    t.tick(1);
    EXPECT_EQ(p.event_time[kRetriggerSlot], 128u);

    t.next_row();  // row 1: the interval changes without a restart
    t.play_row();
    EXPECT_EQ(p.retrigger_interval, 32);
    EXPECT_EQ(p.event_time[kRetriggerSlot], 128u);

    t.next_row();  // row 2: parameter 0 switches it off
    t.play_row();
    EXPECT_EQ(p.retrigger_interval, 0);
}

struct OffsetCase {
    const char* name;
    uint8_t type;
    uint8_t param;
    float row_pos;
    bool applies;
    uint32_t frame;
};

class SampleOffset : public testing::TestWithParam<OffsetCase> {};

TEST_P(SampleOffset, JumpsIntoTheSampleForwardsWithAFullRamp) {
    const OffsetCase& c = GetParam();
    PlayingSample v{Cell{.instrument_effect = c.type, .instrument_param = c.param}};
    TrackPlayer& p = v.t.player;
    p.row_pos = c.row_pos;
    p.apply_cell();
    if (c.applies) {
        EXPECT_TRUE(p.sample_active);
        EXPECT_TRUE(p.loop_enabled);
        EXPECT_EQ(p.sample_pos, c.frame);
        EXPECT_EQ(p.sample_frac, 0.0f);
        EXPECT_EQ(p.step, 0.5f);
        EXPECT_EQ(p.ramp_length, 144u);
        EXPECT_TRUE(p.ramp_full);
    } else {
        EXPECT_FALSE(p.sample_active);
        EXPECT_EQ(p.sample_pos, 300u);
        EXPECT_EQ(p.step, -0.5f);
        EXPECT_EQ(p.ramp_length, 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Offsets, SampleOffset,
    testing::Values(
        OffsetCase{"Type6", instrument_effect::kSampleOffset, 16, 0.0f, true, 4096},
        OffsetCase{"Type7", instrument_effect::kSampleOffset64K, 0, 0.0f, true, 65536},
        OffsetCase{"Type8", instrument_effect::kSampleOffset128K, 1, 0.0f, true, 131328},
        OffsetCase{"Type9Param255", instrument_effect::kSampleOffset192K, 255, 0.0f, true, 261888},
        OffsetCase{"AtPosition63", instrument_effect::kSampleOffset, 1, 63.0f, true, 256},
        OffsetCase{"NotOnSecondTick", instrument_effect::kSampleOffset, 1, 64.0f, false, 0}),
    test::CaseName{});

TEST(SampleOffset, BeyondTheSampleSilencesButStillRamps) {
    PlayingSample v{
        Cell{.instrument_effect = instrument_effect::kSampleOffset192K, .instrument_param = 255}};
    v.sample->length = 261888;
    v.t.tick(0);
    EXPECT_FALSE(v.t.player.sample_active);
    EXPECT_EQ(v.t.player.sample_pos, 300u);
    EXPECT_EQ(v.t.player.ramp_length, 144u);
}

TEST(SampleOffset, WithoutSampleNothingHappensNotEvenARamp) {
    OneTrack t{Cell{.instrument_effect = instrument_effect::kSampleOffset, .instrument_param = 1}};
    t.tick(0);
    EXPECT_FALSE(t.player.sample_active);
    EXPECT_EQ(t.player.ramp_length, 0u);
    EXPECT_FALSE(t.player.ramp_full);
}

TEST(SampleOffset, WithoutRampingNoRamp) {
    PlayingSample v{
        Cell{.instrument_effect = instrument_effect::kSampleOffset, .instrument_param = 1}};
    v.t.player.ramp_enabled = false;
    v.t.tick(0);
    EXPECT_EQ(v.t.player.sample_pos, 256u);
    EXPECT_EQ(v.t.player.ramp_length, 0u);
    EXPECT_FALSE(v.t.player.ramp_full);
}

TEST(Reverse, FlipsTheDirectionOnceBeforePosition63) {
    PlayingSample v{Cell{.instrument_effect = instrument_effect::kReverse}};
    for (int tick = 0; tick < 4; ++tick) v.t.tick(tick);
    EXPECT_EQ(v.t.player.step, 0.5f);
    v.t.player.row_pos = 63.0f;  // "below 63": too late
    v.t.player.apply_cell();
    EXPECT_EQ(v.t.player.step, 0.5f);
}

TEST(InstrumentEffects, SampleDelayAndUnknownTypesDoNothingAtTickTime) {
    for (uint8_t type : {instrument_effect::kSampleDelay, uint8_t{11}, uint8_t{255}}) {
        PlayingSample v{Cell{.instrument_effect = type, .instrument_param = 7}};
        v.t.tick(0);
        EXPECT_EQ(v.t.player.sample_pos, 300u) << int{type};
        EXPECT_EQ(v.t.player.step, -0.5f) << int{type};
        EXPECT_EQ(v.t.player.event_time[kInstrumentSlot], kNeverTime) << int{type};
    }
}

}  // namespace
}  // namespace tarnwick
