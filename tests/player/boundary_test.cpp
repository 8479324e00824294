#include <gtest/gtest.h>

#include <limits>

#include "engine/track_player.h"
#include "tests/support/case_name.h"
#include "tests/support/track_fixture.h"

namespace tarnwick {
namespace {

struct BoundaryCase {
    const char* name;
    uint32_t length;
    uint32_t loop_start;
    uint32_t loop_end;
    bool loop_enabled;
    uint32_t sample_pos;
    float sample_frac;
    float step;
    uint32_t frames;
};

class FramesToBoundary : public testing::TestWithParam<BoundaryCase> {};

TEST_P(FramesToBoundary, CountsWholeFramesBeforeTheBoundary) {
    const BoundaryCase& c = GetParam();
    auto s = test::make_sample(c.length, 8363.0f, 0.0f, c.loop_start, c.loop_end);
    TrackPlayer p;
    p.sample = s.get();
    p.loop_enabled = c.loop_enabled;
    p.sample_pos = c.sample_pos;
    p.sample_frac = c.sample_frac;
    p.step = c.step;
    EXPECT_EQ(p.frames_to_boundary(), c.frames);
}

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Voices, FramesToBoundary,
    testing::Values(
        // Forward without a loop: up to the last frame, length - 1.
        BoundaryCase{"ForwardFromStart", 10, 0, 0, false, 0, 0.0f, 1.0f, 9},
        BoundaryCase{"ForwardAtLastFrame", 10, 0, 0, false, 9, 0.0f, 1.0f, 0},
        BoundaryCase{"ForwardFractionShortens", 10, 0, 0, false, 0, 0.5f, 1.0f, 8},
        BoundaryCase{"ForwardFastStep", 20, 0, 0, false, 0, 0.0f, 2.5f, 7},
        BoundaryCase{"ForwardSlowStep", 10, 0, 0, false, 4, 0.25f, 0.5f, 9},
        // Forward looping: up to loop_end.
        BoundaryCase{"LoopingForward", 100, 10, 50, true, 20, 0.0f, 1.0f, 30},
        BoundaryCase{"LoopingLessThanOneStepLeft", 100, 0, 8, true, 7, 0.5f, 0.75f, 0},
        BoundaryCase{"LoopIgnoredWhenDisabled", 100, 10, 50, false, 20, 0.0f, 1.0f, 79},
        // Backward: down to loop_start, or frame 0 without a loop.
        BoundaryCase{"BackwardToFrameZero", 10, 0, 0, false, 5, 0.0f, -1.0f, 5},
        BoundaryCase{"BackwardFractionLengthens", 10, 0, 0, false, 5, 0.5f, -2.0f, 2},
        BoundaryCase{"BackwardAtFrameZero", 10, 0, 0, false, 0, 0.5f, -1.0f, 0},
        BoundaryCase{"BackwardLooping", 100, 20, 50, true, 30, 0.5f, -1.0f, 10},
        // A step of exactly 0 (a cut or note-off voice) never moves.
        BoundaryCase{"ZeroStep", 10, 0, 0, false, 0, 0.0f, 0.0f, 0},
        BoundaryCase{"NegativeZeroStep", 10, 0, 0, false, 5, 0.0f, -0.0f, 0},
        // Past the boundary the distance is unsigned, near 2^32; its low 32 bits decide.
        BoundaryCase{"PastLoopEndWrapsAtOnce", 100, 0, 8, true, 10, 0.0f, 1.0f, 0},
        BoundaryCase{"PastLoopEndHalfStep", 100, 0, 8, true, 10, 0.0f, 0.5f, 0},
        BoundaryCase{"PastLoopEndRunsOnWithStep3", 100, 0, 8, true, 10, 0.0f, 3.0f, 1431655764u},
        BoundaryCase{"PastLoopEndStep1Point5", 100, 0, 8, true, 10, 0.0f, 1.5f, 0},
        BoundaryCase{"BelowLoopStartBackward", 100, 4, 50, true, 2, 0.0f, -1.0f, 0},
        BoundaryCase{"BelowLoopStartStepMinus3", 100, 4, 50, true, 2, 0.0f, -3.0f, 1431655764u},
        BoundaryCase{"PastLastFrameForward", 10, 0, 0, false, 20, 0.0f, 1.0f, 0},
        BoundaryCase{"BackwardFromHugePositionReadsSigned", 10, 0, 0, false, 0x90000000u, 0.0f,
                     -1.0f, 0},
        // Quotients far beyond 64 bits, infinite or NaN give 0 without undefined conversion.
        BoundaryCase{"TinyStepHugeQuotient", 1000000, 0, 0, false, 0, 0.0f, 1e-30f, 0},
        BoundaryCase{"TinyBackwardStep", 1000000, 0, 0, false, 999, 0.0f, -1e-30f, 0},
        BoundaryCase{"NaNStep", 10, 0, 0, false, 0, 0.0f, kNaN, 0},
        BoundaryCase{"InfiniteStep", 10, 0, 0, false, 0, 0.0f, kInf, 0},
        BoundaryCase{"NaNFraction", 10, 0, 0, false, 0, kNaN, 1.0f, 0}),
    test::CaseName{});

TEST(FramesToBoundary, NoSampleGivesZero) {
    TrackPlayer p;
    p.step = 1.0f;
    EXPECT_EQ(p.frames_to_boundary(), 0u);
}

}  // namespace
}  // namespace tarnwick
