#include <gtest/gtest.h>

#include "engine/track_player.h"
#include "tests/support/case_name.h"

namespace tarnwick {
namespace {

struct TickCase {
    const char* name;
    uint32_t output_rate;
    bool fixed_tick_rate;
    bool whole_tick_rate;
    float ticks_per_second;
    float bpm;
    uint32_t beat;
    uint32_t frames_per_tick;
};

class TickLength : public testing::TestWithParam<TickCase> {};

TEST_P(TickLength, FramesPerTickFollowTheActiveRate) {
    const TickCase& c = GetParam();
    TrackPlayer p;
    p.output_rate = c.output_rate;
    p.fixed_tick_rate = c.fixed_tick_rate;
    p.whole_tick_rate = c.whole_tick_rate;
    p.ticks_per_second = c.ticks_per_second;
    p.bpm = c.bpm;
    p.beat = c.beat;
    p.update_tick_length();
    EXPECT_EQ(p.frames_per_tick, c.frames_per_tick);
    EXPECT_FLOAT_EQ(p.frames_per_tick_inv, 1.0f / static_cast<float>(c.frames_per_tick));
}

INSTANTIATE_TEST_SUITE_P(
    Rates, TickLength,
    testing::Values(
        TickCase{"Default32TicksAt48k", 48000, true, true, 32.0f, 125.0f, 0, 1500},
        TickCase{"Default32TicksAt44k1", 44100, true, true, 32.0f, 125.0f, 0, 1378},
        TickCase{"FractionalTickRateTruncated", 48000, true, true, 64.9f, 125.0f, 0, 750},
        TickCase{"Bpm125Beat4WholeRate33", 48000, false, true, 32.0f, 125.0f, 4, 1454},
        TickCase{"Bpm125Beat4ExactRate", 48000, false, false, 32.0f, 125.0f, 4, 1440},
        TickCase{"Bpm150Beat6ExactRate", 44100, false, false, 32.0f, 150.0f, 6, 735},
        TickCase{"SlowBeatWholeRateAtLeast1", 48000, false, true, 32.0f, 3.0f, 1, 48000},
        TickCase{"FixedRateIgnoresBeat", 48000, true, true, 50.0f, 125.0f, 4, 960}),
    test::CaseName{});

TEST(TickLength, ZeroRatesCountAsOne) {
    TrackPlayer fixed;
    fixed.set_ticks_per_second(0.0f);
    EXPECT_EQ(fixed.ticks_per_second, 1.0f);
    EXPECT_EQ(fixed.frames_per_tick, 48000u);

    TrackPlayer whole;
    whole.set_beat(4);
    whole.set_bpm(0.0f);
    EXPECT_EQ(whole.bpm, 1.0f);
    EXPECT_EQ(whole.frames_per_tick, 48000u);  // trunc(1 * 4) / 15 = 0, raised to 1

    TrackPlayer exact;
    exact.whole_tick_rate = false;
    exact.set_beat(4);
    exact.set_bpm(0.0f);
    EXPECT_EQ(exact.bpm, 1.0f);
    EXPECT_EQ(exact.frames_per_tick, 180000u);  // 48000 * 15 / 4
}

TEST(TickLength, NeverShorterThanOneFrame) {
    // A tick rate below 1 (never set by an effect) must not divide by zero, and an output
    // rate too low for the tick rate must not give ticks of zero frames.
    TrackPlayer slow;
    slow.set_ticks_per_second(0.5f);
    EXPECT_EQ(slow.frames_per_tick, 48000u);

    TrackPlayer low_rate;
    low_rate.output_rate = 100;
    low_rate.set_ticks_per_second(256.0f);
    EXPECT_EQ(low_rate.frames_per_tick, 1u);
    EXPECT_EQ(low_rate.frames_per_tick_inv, 1.0f);

    TrackPlayer no_beat;  // beat mode without a beat: 0/0 in the exact formula
    no_beat.output_rate = 0;
    no_beat.fixed_tick_rate = false;
    no_beat.whole_tick_rate = false;
    no_beat.update_tick_length();
    EXPECT_EQ(no_beat.frames_per_tick, 1u);

    TrackPlayer negative;
    negative.set_ticks_per_second(-5.0f);
    EXPECT_GE(negative.frames_per_tick, 1u);
}

TEST(TempoModes, NewPlayerStartsAt32TicksPerSecond) {
    TrackPlayer p;
    EXPECT_TRUE(p.fixed_tick_rate);
    EXPECT_EQ(p.bpm, 125.0f);
    EXPECT_EQ(p.ticks_per_second, 32.0f);
    EXPECT_EQ(p.beat, 0u);
    EXPECT_EQ(p.frames_per_tick, 1500u);
}

TEST(TempoModes, PatternBeatWaitsForATempoBeforeBeatMode) {
    TrackPlayer p;
    p.set_beat(4);
    EXPECT_TRUE(p.fixed_tick_rate);
    EXPECT_EQ(p.frames_per_tick, 1500u);
    p.set_bpm(125.0f);
    EXPECT_FALSE(p.fixed_tick_rate);
    EXPECT_EQ(p.frames_per_tick, 1454u);
}

TEST(TempoModes, TempoWithoutBeatStaysFixedRate) {
    TrackPlayer p;
    p.set_bpm(180.0f);
    EXPECT_TRUE(p.fixed_tick_rate);
    EXPECT_EQ(p.frames_per_tick, 1500u);
    EXPECT_EQ(p.bpm, 180.0f);
}

TEST(TempoModes, BeatZeroAndTickRateSwitchBackToFixedRate) {
    TrackPlayer p;
    p.set_beat(4);
    p.set_bpm(125.0f);
    p.set_beat(0);
    EXPECT_TRUE(p.fixed_tick_rate);
    EXPECT_EQ(p.frames_per_tick, 1500u);

    p.set_beat(4);
    p.set_bpm(125.0f);
    ASSERT_FALSE(p.fixed_tick_rate);
    p.set_ticks_per_second(64.0f);
    EXPECT_TRUE(p.fixed_tick_rate);
    EXPECT_EQ(p.frames_per_tick, 750u);

    p.set_beat(6);  // a new non-zero beat leaves the mode as it is
    EXPECT_TRUE(p.fixed_tick_rate);
}

}  // namespace
}  // namespace tarnwick
