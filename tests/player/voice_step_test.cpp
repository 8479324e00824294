#include <gtest/gtest.h>

#include <cmath>

#include "engine/track_player.h"
#include "tests/support/case_name.h"
#include "tests/support/track_fixture.h"

namespace tarnwick {
namespace {

using test::expected_step;
using test::make_sample;

struct StepCase {
    const char* name;
    float pitch;
    float fine_tune;
    float base_rate;
    uint32_t output_rate;
};

class PitchToStep : public testing::TestWithParam<StepCase> {};

TEST_P(PitchToStep, FollowsTheEqualTemperedScale) {
    const StepCase& c = GetParam();
    auto s = make_sample(1000, c.base_rate);
    TrackPlayer p;
    p.sample = s.get();
    p.output_rate = c.output_rate;
    p.pitch = c.pitch;
    p.fine_tune = c.fine_tune;
    p.pitch_dirty = true;
    p.update_step();
    const double want = expected_step(c.pitch + c.fine_tune, c.base_rate, c.output_rate);
    EXPECT_NEAR(p.step, want, want * 2e-6);
    EXPECT_FALSE(p.pitch_dirty);
}

INSTANTIATE_TEST_SUITE_P(
    Notes, PitchToStep,
    testing::Values(StepCase{"Note37PlaysAtBaseRate", 576.0f, 0.0f, 8363.0f, 48000},
                    StepCase{"Note49OctaveUp", 768.0f, 0.0f, 8363.0f, 48000},
                    StepCase{"Note25OctaveDown", 384.0f, 0.0f, 8363.0f, 48000},
                    StepCase{"FineTune16IsOneSemitone", 576.0f, 16.0f, 8363.0f, 48000},
                    StepCase{"NegativeFineTune", 576.0f, -128.0f, 22050.0f, 44100},
                    StepCase{"LowestNote", 0.0f, 0.0f, 8363.0f, 48000},
                    StepCase{"HighestPortamentoPitch", 1728.0f, 0.0f, 44100.0f, 48000}),
    test::CaseName{});

TEST(PitchToStep, BackwardsVoiceStaysBackwards) {
    auto s = make_sample(1000, 8363.0f);
    TrackPlayer p;
    p.sample = s.get();
    p.pitch = 768.0f;
    p.step = -0.1f;
    p.update_step();
    EXPECT_NEAR(p.step, -2.0 * 8363.0 / 48000.0, 2e-6);
}

TEST(PitchToStep, WithoutSampleNothingChangesAndPitchStaysDirty) {
    TrackPlayer p;
    p.pitch = 768.0f;
    p.step = 0.25f;
    p.pitch_dirty = true;
    p.update_step();
    EXPECT_EQ(p.step, 0.25f);
    EXPECT_TRUE(p.pitch_dirty);
}

}  // namespace
}  // namespace tarnwick
