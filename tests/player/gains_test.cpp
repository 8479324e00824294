#include <gtest/gtest.h>

#include <limits>

#include "engine/track_player.h"
#include "mixer/ramp.h"
#include "tests/support/case_name.h"

namespace tarnwick {
namespace {

struct GainCase {
    const char* name;
    float mix_volume;
    float volume;
    float panning;
    double left;
    double right;
};

class Gains : public testing::TestWithParam<GainCase> {};

TEST_P(Gains, SplitTheLevelLinearlyByPanning) {
    const GainCase& c = GetParam();
    TrackPlayer p;
    p.mix_volume = c.mix_volume;
    p.volume = c.volume;
    p.panning = c.panning;
    p.gains_dirty = true;
    p.update_gains();
    EXPECT_NEAR(p.gain_left, c.left, 1e-6);
    EXPECT_NEAR(p.gain_right, c.right, 1e-6);
    EXPECT_FALSE(p.gains_dirty);
}

INSTANTIATE_TEST_SUITE_P(
    Levels, Gains,
    testing::Values(GainCase{"QuarterMixCentre", 0.25f, 255.0f, 128.0f,
                             0.25 * (1.0 - 128.0 / 255.0), 0.25 * 128.0 / 255.0},
                    GainCase{"FullLeft", 1.0f, 255.0f, 0.0f, 1.0, 0.0},
                    GainCase{"FullRight", 1.0f, 255.0f, 255.0f, 0.0, 1.0},
                    GainCase{"HalfVolumeQuarterRight", 1.0f, 127.5f, 191.25f, 0.5 * 0.25,
                             0.5 * 0.75},
                    GainCase{"TenthMixFullVolumeCentre", 0.1f, 255.0f, 127.5f, 0.05, 0.05},
                    GainCase{"SilentVolume", 1.0f, 0.0f, 64.0f, 0.0, 0.0}),
    test::CaseName{});

struct RampCase {
    const char* name;
    uint32_t output_rate;
    float ramp_ms;
    float fraction;
    uint32_t length;
};

class RampLength : public testing::TestWithParam<RampCase> {};

TEST_P(RampLength, IsTheFractionOfTheFullLengthInWholeFrames) {
    const RampCase& c = GetParam();
    TrackPlayer p;
    p.output_rate = c.output_rate;
    p.ramp_ms = c.ramp_ms;
    p.ramp_counter = 17;
    p.start_ramp(c.fraction);
    EXPECT_EQ(p.ramp_length, c.length);
    EXPECT_EQ(p.ramp_counter, 1u);
}

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

INSTANTIATE_TEST_SUITE_P(
    Settings, RampLength,
    testing::Values(RampCase{"Light48k", 48000, 3.0f, 1.0f, 144},
                    RampCase{"Heavy48k", 48000, 8.0f, 1.0f, 384},
                    RampCase{"Light44k1", 44100, 3.0f, 1.0f, 132},
                    RampCase{"FifthOfLight48k", 48000, 3.0f, 51.0f * 0.003921569f, 28},
                    RampCase{"TooShortForAFrame", 48000, 3.0f, 0.001f, 0},
                    RampCase{"ZeroMilliseconds", 48000, 0.0f, 1.0f, 0},
                    RampCase{"NegativeFractionIsNoRamp", 48000, 3.0f, -1.0f, 0},
                    RampCase{"NaNFractionIsNoRamp", 48000, 3.0f, kNaN, 0}),
    test::CaseName{});

TEST(RampLength, FullLengthFollowsRateAndSetting) {
    TrackPlayer p;
    EXPECT_EQ(p.full_ramp_length(), 144u);
    p.ramp_ms = 8.0f;
    EXPECT_EQ(p.full_ramp_length(), 384u);
    p.output_rate = 44100;
    p.ramp_ms = 3.0f;
    EXPECT_EQ(p.full_ramp_length(), 132u);
}

TEST(GainRamps, LengthFollowsTheLargerChange) {
    TrackPlayer p;
    p.ramp_ref_volume = 255.0f;
    p.ramp_ref_panning = 128.0f;
    p.volume = 204.0f;  // a fifth of the range: 28 of 144 frames
    p.update_gains();
    EXPECT_EQ(p.ramp_length, 28u);
    EXPECT_EQ(p.ramp_counter, 1u);
    EXPECT_EQ(p.ramp_ref_volume, 204.0f);

    p.volume = 0.0f;  // the whole range: full length
    p.panning = 100.0f;
    p.update_gains();
    EXPECT_EQ(p.ramp_length, 115u);  // trunc(48000 * 3 * 204/255) / 1000
    EXPECT_EQ(p.ramp_ref_panning, 100.0f);

    p.panning = 255.0f;  // panning moves by 155, more than the volume's 0
    p.update_gains();
    EXPECT_EQ(p.ramp_length, 87u);
}

TEST(GainRamps, UpdateWithoutChangeEndsARampInProgress) {
    TrackPlayer p;
    p.update_gains();
    p.start_ramp(1.0f);
    ASSERT_EQ(p.ramp_length, 144u);
    p.update_gains();
    EXPECT_EQ(p.ramp_length, 0u);
}

TEST(GainRamps, FullRampFlagForcesTheFullLengthOnce) {
    TrackPlayer p;
    p.update_gains();
    p.ramp_full = true;
    p.update_gains();
    EXPECT_EQ(p.ramp_length, 144u);
    EXPECT_EQ(p.ramp_counter, 1u);
    EXPECT_FALSE(p.ramp_full);
    p.update_gains();
    EXPECT_EQ(p.ramp_length, 0u);
}

TEST(GainRamps, RampingOffNeverStartsARamp) {
    TrackPlayer p;
    p.ramp_enabled = false;
    p.ramp_full = true;
    p.volume = 10.0f;
    p.gains_dirty = true;
    p.update_gains();
    EXPECT_EQ(p.ramp_length, 0u);
    EXPECT_TRUE(p.ramp_full);  // kept for the next update with ramping on
    EXPECT_EQ(p.ramp_ref_volume, 0.0f);
    EXPECT_FALSE(p.gains_dirty);
    EXPECT_NEAR(p.gain_left + p.gain_right, 10.0 / 255.0, 1e-6);
}

TEST(GainRamps, LengthThreeRampAppliesOneNinthThenFourNinthsAndEnds) {
    TrackPlayer p;
    p.output_rate = 1000;
    p.ramp_ms = 3.0f;
    p.start_ramp(1.0f);
    ASSERT_EQ(p.ramp_length, 3u);

    p.ramp_from_left = 0.0f;
    p.ramp_from_right = 0.0f;
    p.out_left = 1.0f;
    p.out_right = -0.5f;
    ramp_step(p);
    EXPECT_FLOAT_EQ(p.out_left, 1.0f / 9.0f);
    EXPECT_FLOAT_EQ(p.out_right, -0.5f / 9.0f);
    EXPECT_EQ(p.ramp_length, 3u);

    p.out_left = 1.0f;
    p.out_right = -0.5f;
    ramp_step(p);
    const float from = 1.0f / 9.0f;
    EXPECT_FLOAT_EQ(p.out_left, (1.0f - from) * (4.0f / 9.0f) + from);
    EXPECT_EQ(p.ramp_length, 0u);  // over after its second frame
}

TEST(GainRamps, FadeOutDecaysTowardSilenceOverTheRamp) {
    TrackPlayer p;
    p.output_rate = 1000;
    p.ramp_ms = 4.0f;
    p.start_ramp(1.0f);
    ASSERT_EQ(p.ramp_length, 4u);
    p.ramp_from_left = 1.0f;
    p.ramp_from_right = 1.0f;
    float level = 1.0f;
    for (float c : {1.0f / 16.0f, 4.0f / 16.0f, 9.0f / 16.0f}) {
        fade_out_step(p);
        level -= level * c;
        EXPECT_FLOAT_EQ(p.out_left, level);
    }
    EXPECT_EQ(p.ramp_length, 0u);
    EXPECT_GT(p.out_left, 0.0f);  // the fade stops short of 0
}

}  // namespace
}  // namespace tarnwick
