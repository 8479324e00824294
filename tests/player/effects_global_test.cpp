#include <gtest/gtest.h>

#include "engine/effect_types.h"
#include "engine/track_player.h"
#include "tests/support/case_name.h"

namespace tarnwick {
namespace {

TEST(GlobalTickRate, Param63Gives64TicksPerSecond) {
    TrackPlayer p;
    p.set_beat(4);
    p.set_bpm(125.0f);  // beat mode, to see the switch back
    p.apply_global(global_effect::kSetTickRate, 63);
    EXPECT_EQ(p.ticks_per_second, 64.0f);
    EXPECT_TRUE(p.fixed_tick_rate);
    EXPECT_EQ(p.frames_per_tick, 750u);
}

TEST(GlobalTickRate, OnlyOnTheFirstTick) {
    for (float pos : {63.0f, 64.0f, 128.0f, 192.0f}) {
        TrackPlayer p;
        p.row_pos = pos;
        p.apply_global(global_effect::kSetTickRate, 63);
        EXPECT_EQ(p.ticks_per_second, 32.0f) << pos;
        p.apply_global(global_effect::kSetTempo, 60);
        EXPECT_EQ(p.bpm, 125.0f) << pos;
        p.apply_global(global_effect::kSetBeat, 0x80);
        EXPECT_EQ(p.beat, 0u) << pos;
    }
}

TEST(GlobalBeat, SetsBeatButKeepsFixedRateUntilATempo) {
    TrackPlayer p;
    p.apply_global(global_effect::kSetBeat, 0x4F);  // low nibble ignored
    EXPECT_EQ(p.beat, 4u);
    EXPECT_TRUE(p.fixed_tick_rate);
    EXPECT_EQ(p.frames_per_tick, 1500u);
    p.apply_global(global_effect::kSetTempo, 125);
    EXPECT_FALSE(p.fixed_tick_rate);
    EXPECT_EQ(p.frames_per_tick, 1454u);
    p.apply_global(global_effect::kSetBeat, 0x0F);  // beat 0: back to the tick rate
    EXPECT_TRUE(p.fixed_tick_rate);
    EXPECT_EQ(p.frames_per_tick, 1500u);
}

TEST(GlobalTempo, ZeroCountsAsOne) {
    TrackPlayer p;
    p.set_beat(4);
    p.apply_global(global_effect::kSetTempo, 0);
    EXPECT_EQ(p.bpm, 1.0f);
    EXPECT_EQ(p.frames_per_tick, 48000u);
}

struct SlideCase {
    const char* name;
    bool beat_mode;
    uint8_t type;
    uint8_t param;
    float start;
    float after_one_tick;
    float after_four_ticks;
};

class TempoSlide : public testing::TestWithParam<SlideCase> {};

TEST_P(TempoSlide, MovesTheActiveRateEveryTickWithinOneTo256) {
    const SlideCase& c = GetParam();
    TrackPlayer p;
    if (c.beat_mode) {
        p.set_beat(4);
        p.set_bpm(c.start);
    } else {
        p.set_ticks_per_second(c.start);
    }
    float& active = c.beat_mode ? p.bpm : p.ticks_per_second;
    const float other = c.beat_mode ? p.ticks_per_second : p.bpm;

    p.row_pos = 0.0f;
    p.apply_global(c.type, c.param);
    EXPECT_EQ(active, c.after_one_tick);
    for (float pos : {64.0f, 128.0f, 192.0f}) {
        p.row_pos = pos;
        p.apply_global(c.type, c.param);
    }
    EXPECT_EQ(active, c.after_four_ticks);
    EXPECT_EQ(c.beat_mode ? p.ticks_per_second : p.bpm, other);

    TrackPlayer fresh;  // the tick length follows the slid rate
    fresh.output_rate = p.output_rate;
    if (c.beat_mode) {
        fresh.set_beat(4);
        fresh.set_bpm(c.after_four_ticks);
    } else {
        fresh.set_ticks_per_second(c.after_four_ticks);
    }
    EXPECT_EQ(p.frames_per_tick, fresh.frames_per_tick);
}

INSTANTIATE_TEST_SUITE_P(
    Slides, TempoSlide,
    testing::Values(
        SlideCase{"TickRateUp", false, global_effect::kTempoSlideUp, 8, 32.0f, 34.0f, 40.0f},
        SlideCase{"TickRateDown", false, global_effect::kTempoSlideDown, 2, 32.0f, 31.5f, 30.0f},
        SlideCase{"TickRateCappedAt256", false, global_effect::kTempoSlideUp, 255, 250.0f, 256.0f,
                  256.0f},
        SlideCase{"TickRateFloorAt1", false, global_effect::kTempoSlideDown, 255, 20.0f, 1.0f,
                  1.0f},
        SlideCase{"TempoUp", true, global_effect::kTempoSlideUp, 4, 125.0f, 126.0f, 129.0f},
        SlideCase{"TempoCappedAt256", true, global_effect::kTempoSlideUp, 40, 250.0f, 256.0f,
                  256.0f},
        SlideCase{"TempoDownStopsAt1", true, global_effect::kTempoSlideDown, 1, 1.5f, 1.25f, 1.0f}),
    test::CaseName{});

TEST(GlobalEffects, RowDelayAndUnknownTypesDoNothingAtTickTime) {
    for (uint8_t type :
         {uint8_t{0}, global_effect::kRowDelay, uint8_t{5}, uint8_t{8}, uint8_t{63}}) {
        TrackPlayer p;
        p.apply_global(type, 200);
        EXPECT_EQ(p.frames_per_tick, 1500u) << int{type};
        EXPECT_EQ(p.event_time[kRowDelaySlot], 0u) << int{type};
        EXPECT_EQ(p.bpm, 125.0f) << int{type};
        EXPECT_EQ(p.ticks_per_second, 32.0f) << int{type};
    }
}

}  // namespace
}  // namespace tarnwick
