// What a voice sounds like frame by frame: the three interpolation modes, the read position's
// advance in either direction, loops and ends, ramps and fades, and reads past the data.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/float_precision.h"
#include "engine/track_player.h"
#include "tests/support/track_fixture.h"

namespace tarnwick {
namespace {

using test::OneTrack;
using test::ramp_frames;

// Mixes n frames of the voice as it stands (no scheduler), returning the left channel, at
// the precision a render gives the mixer.
std::vector<float> mix(OneTrack& t, uint32_t n) {
    const SinglePrecisionScope precision;
    if (t.player.history_stale) {
        t.player.load_history();
        t.player.history_stale = false;
    }
    std::vector<float> out(2 * n, 0.0f);
    t.player.mix_span(out.data(), n);
    std::vector<float> left(n);
    for (uint32_t i = 0; i < n; ++i) left[i] = out[2 * i];
    return left;
}

std::vector<float> tens(uint32_t n) {
    std::vector<float> f(n);
    for (uint32_t k = 0; k < n; ++k) f[k] = 10.0f * static_cast<float>(k);
    return f;
}

TEST(Interpolation, HalfStepNearestRepeatsAndLinearAddsMidpoints) {
    struct Case {
        uint32_t mode;
        std::vector<float> expected;
    };
    for (const Case& c :
         {Case{0, {0, 0, 10, 10, 20, 20, 30, 30}}, Case{1, {0, 5, 10, 15, 20, 25, 30, 35}}}) {
        SCOPED_TRACE(c.mode);
        OneTrack t(1);
        const Sample& s = t.add_sample(tens(16));
        t.player.resample_mode = c.mode;
        t.sound(s, 0.5f);
        EXPECT_EQ(mix(t, 8), c.expected);
    }
}

TEST(Interpolation, AnyModeOtherThanNearestOrCubicPlaysLinear) {
    for (const uint32_t mode : {1u, 3u, 7u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(mode);
        OneTrack t(1);
        const Sample& s = t.add_sample(tens(16));
        t.player.resample_mode = mode;
        t.sound(s, 0.25f, 3);
        EXPECT_EQ(mix(t, 4), (std::vector<float>{30.0f, 32.5f, 35.0f, 37.5f}));
    }
}

TEST(Interpolation, CubicReproducesAStraightLine) {
    OneTrack t(1);
    std::vector<float> line(32);
    for (uint32_t k = 0; k < 32; ++k) line[k] = 0.25f * static_cast<float>(k) - 3.0f;
    const Sample& s = t.add_sample(line);
    t.player.resample_mode = 2;
    t.sound(s, 0.3f, 2);
    const std::vector<float> left = mix(t, 60);
    for (uint32_t i = 0; i < left.size(); ++i) {
        const float position = 2.0f + 0.3f * static_cast<float>(i);
        ASSERT_NEAR(left[i], 0.25f * position - 3.0f, 1e-4f) << i;
    }
}

TEST(Interpolation, LinearAndCubicAtFractionZeroGiveTheFrameTimesGain) {
    for (const uint32_t mode : {1u, 2u}) {
        SCOPED_TRACE(mode);
        OneTrack t(1);
        const Sample& s = t.add_sample({0.3f, -0.7f, 0.11f, 0.9f, -0.2f});
        t.player.resample_mode = mode;
        t.sound(s, 1.0f, 1);
        t.player.gain_left = 0.37f;
        const std::vector<float> left = mix(t, 2);
        EXPECT_EQ(left[0], 0.37f * -0.7f);
        EXPECT_EQ(left[1], 0.37f * 0.11f);
    }
}

TEST(Interpolation, CubicHistoryUsesTheGuardsAndZerosPastTheData) {
    OneTrack t(1);
    const Sample& s = t.add_sample({4.0f, 5.0f, 6.0f});
    t.player.resample_mode = 2;
    t.sound(s, 0.5f, 0);
    t.player.load_history();
    EXPECT_EQ(t.player.frame_prev, 4.0f) << "the repeated first frame";
    EXPECT_EQ(t.player.frame_cur, 4.0f);
    EXPECT_EQ(t.player.frame_next2, 6.0f);
    t.player.sample_pos = 2;
    t.player.load_history();
    EXPECT_EQ(t.player.frame_cur, 6.0f);
    EXPECT_EQ(t.player.frame_next, 6.0f) << "the repeated last frame";
    EXPECT_EQ(t.player.frame_next2, 0.0f) << "past the data";
}

TEST(Interpolation, EachModeLoadsOnlyItsOwnHistory) {
    OneTrack t(1);
    const Sample& s = t.add_sample({1.0f, 2.0f, 3.0f, 4.0f});
    t.sound(s, 1.0f, 1);
    t.player.frame_prev = 99.0f;
    t.player.resample_mode = 0;
    t.player.load_history();
    EXPECT_EQ(t.player.frame_cur, 2.0f);
    EXPECT_EQ(t.player.frame_next, 0.0f);
    t.player.resample_mode = 1;
    t.player.load_history();
    EXPECT_EQ(t.player.frame_next, 3.0f);
    EXPECT_EQ(t.player.linear_slope, 1.0f);
    EXPECT_EQ(t.player.frame_prev, 99.0f);
}

// The history is loaded by the mode that is set when the voice starts; a mode changed without
// a reload plays what the history holds until the position first moves.
TEST(Interpolation, HistoryOfAnotherModePlaysUntilTheFirstMove) {
    OneTrack t(1);
    const Sample& s = t.add_sample(tens(16));
    t.player.resample_mode = 2;
    t.sound(s, 0.25f, 3);
    mix(t, 0);  // loads the cubic history, which leaves linear_slope at 0
    t.player.resample_mode = 1;
    EXPECT_EQ(mix(t, 8), (std::vector<float>{30, 30, 30, 30, 40, 42.5f, 45, 47.5f}));
}

// Positions after each frame, as (whole frame, fraction).
std::vector<std::pair<uint32_t, float>> positions(OneTrack& t, uint32_t frames) {
    std::vector<std::pair<uint32_t, float>> visited{{t.player.sample_pos, t.player.sample_frac}};
    for (uint32_t i = 0; i < frames; ++i) {
        mix(t, 1);
        visited.emplace_back(t.player.sample_pos, t.player.sample_frac);
    }
    return visited;
}

TEST(Advance, StepTwoAndAHalfVisitsEveryOtherFrameAndAHalf) {
    for (const uint32_t mode : {0u, 1u, 2u}) {
        SCOPED_TRACE(mode);
        OneTrack t(1);
        const Sample& s = t.add_sample(tens(32));
        t.player.resample_mode = mode;
        t.sound(s, 2.5f);
        using P = std::pair<uint32_t, float>;
        EXPECT_EQ(positions(t, 4),
                  (std::vector<P>{{0, 0.0f}, {2, 0.5f}, {5, 0.0f}, {7, 0.5f}, {10, 0.0f}}));
        EXPECT_EQ(t.player.frame_cur, 100.0f) << "history follows the position";
    }
}

TEST(Advance, BackwardVoiceTakesTheFloorAndKeepsTheFractionInUnitRange) {
    OneTrack t(1);
    const Sample& s = t.add_sample(tens(32));
    t.sound(s, -0.75f, 3);
    using P = std::pair<uint32_t, float>;
    EXPECT_EQ(positions(t, 4),
              (std::vector<P>{{3, 0.0f}, {2, 0.25f}, {1, 0.5f}, {0, 0.75f}, {0, 0.0f}}));

    OneTrack u(1);
    const Sample& r = u.add_sample(tens(32));
    u.sound(r, -2.25f, 20, 0.5f);
    EXPECT_EQ(positions(u, 3), (std::vector<P>{{20, 0.5f}, {18, 0.25f}, {16, 0.0f}, {13, 0.75f}}));
}

// The voice stands at (pos, frac).
void expect_position(const TrackPlayer& p, uint32_t pos, float frac) {
    EXPECT_EQ(p.sample_pos, pos);
    EXPECT_EQ(p.sample_frac, frac);
}

// The read position after every frame follows the stated arithmetic: the fraction gains the
// step, and a whole part (truncated forward, floored backward) moves the frame.
TEST(Advance, PositionFollowsTheStepArithmeticFrameByFrame) {
    for (const float step :
         {0.173f, 0.999f, 0.5f, 1.0f, 1.37f, 7.9f, -0.173f, -0.999f, -1.0f, -3.3f, 1e-9f, -1e-9f}) {
        SCOPED_TRACE(step);
        OneTrack t(1);
        const Sample& a = t.add_sample(tens(64));
        t.sound(a, step, 1000000, 0.25f);
        uint32_t pos = 1000000;
        float frac = 0.25f;
        const SinglePrecisionScope precision;  // this test's own arithmetic in float as well
        for (int i = 0; i < 300; ++i) {
            SCOPED_TRACE(i);
            mix(t, 1);
            frac = frac + step;
            if (frac >= 1.0f) {
                const float k = std::trunc(frac);
                pos += static_cast<uint32_t>(static_cast<int64_t>(k));
                frac = frac - k;
            } else if (frac < 0.0f) {
                const float k = std::floor(frac);
                pos += static_cast<uint32_t>(static_cast<int64_t>(k));
                frac = frac - k;
            }
            // Continue from where the voice really is, so that each frame is checked alone.
            expect_position(t.player, pos, frac);
            if (::testing::Test::HasFailure()) return;
            pos = t.player.sample_pos;
            frac = t.player.sample_frac;
        }
        // The same 300 frames as one span, through the span's own loop.
        OneTrack whole(1);
        const Sample& b = whole.add_sample(tens(64));
        whole.sound(b, step, 1000000, 0.25f);
        mix(whole, 300);
        expect_position(whole.player, pos, frac);
    }
}

TEST(VoiceEnd, NonLoopingVoiceOfTenFramesPlaysNine) {
    OneTrack t(1);
    const Sample& s = t.add_sample(ramp_frames(10), 48000.0f);
    t.player.resample_mode = 0;
    t.bind();
    t.sound(s, 1.0f);
    EXPECT_EQ(t.player.frames_to_boundary(), 9u);
    const std::vector<float> left = t.render_left(20);
    for (uint32_t i = 0; i < 9; ++i) EXPECT_EQ(left[i], static_cast<float>(i)) << i;
    for (uint32_t i = 9; i < 20; ++i) EXPECT_EQ(left[i], 0.0f) << i;
    EXPECT_EQ(t.player.frames_to_boundary(), 0u);
    EXPECT_FALSE(t.player.sample_active);
}

TEST(VoiceEnd, BackwardVoiceWithoutLoopStopsOnReachingFrameZero) {
    OneTrack t(1);
    const Sample& s = t.add_sample(ramp_frames(10));
    t.player.resample_mode = 0;
    t.bind();
    t.sound(s, -1.0f, 5);
    const std::vector<float> left = t.render_left(10);
    EXPECT_EQ(left, (std::vector<float>{5, 4, 3, 2, 1, 0, 0, 0, 0, 0}));
    EXPECT_FALSE(t.player.sample_active);
}

TEST(VoiceEnd, LoopingVoiceJumpsBackOnceLessThanAStepRemains) {
    OneTrack t(1);
    Sample& s = t.add_sample(ramp_frames(16));
    s.loop_start = 4;
    s.loop_end = 12;
    t.bind();
    t.sound(s, 0.75f, 10);
    const std::vector<float> left = t.render_left(6);
    EXPECT_EQ(left, (std::vector<float>{10.0f, 10.75f, 4.0f, 4.75f, 5.5f, 6.25f}));
}

TEST(VoiceEnd, BackwardLoopJumpsToTheLoopEnd) {
    OneTrack t(1);
    Sample& s = t.add_sample(ramp_frames(16));
    s.loop_start = 4;
    s.loop_end = 12;
    t.player.resample_mode = 0;
    t.bind();
    t.sound(s, -1.0f, 6);
    EXPECT_EQ(t.render_left(6), (std::vector<float>{6, 5, 12, 11, 10, 9}));
}

TEST(VoiceEnd, EndingVoiceFadesOverOneRampThenFallsSilent) {
    OneTrack t(1);
    const Sample& s = t.add_sample(std::vector<float>(10, 1.0f), 48000.0f);
    t.player.ramp_enabled = true;  // 3 ms: 144 frames at 48000 Hz
    t.bind();
    t.sound(s, 1.0f);
    const std::vector<float> left = t.render_left(400);
    for (uint32_t i = 0; i < 9; ++i) EXPECT_EQ(left[i], 1.0f) << i;
    EXPECT_GT(left[9], 0.99f);
    for (uint32_t i = 10; i < 9 + 143; ++i) EXPECT_LE(left[i], left[i - 1]) << i;
    EXPECT_GT(left[9 + 130], 0.0f);
    // The fade's geometric tail stops at 0 rather than sinking into subnormal values, where the
    // editions would part; it is silent by the ramp's end.
    for (uint32_t i = 9; i < 9 + 143; ++i) {
        EXPECT_TRUE(left[i] == 0.0f || left[i] >= 0x1p-100f) << i << ": " << left[i];
    }
    for (uint32_t i = 9 + 143; i < 400; ++i) EXPECT_EQ(left[i], 0.0f) << i;
    EXPECT_EQ(t.player.sample_pos, 9u) << "the read position stays where the voice ended";
}

TEST(Ramp, RampOfThreeFramesAppliesOneNinthAndFourNinths) {
    OneTrack t(1);
    const Sample& s = t.add_sample(std::vector<float>(32, 1.0f));
    t.sound(s, 0.5f);
    t.player.ramp_length = 3;
    t.player.ramp_counter = 1;
    t.player.out_left = 0.0f;
    const std::vector<float> left = mix(t, 4);
    EXPECT_FLOAT_EQ(left[0], 1.0f / 9.0f);
    EXPECT_FLOAT_EQ(left[1], 1.0f / 9.0f + (1.0f - 1.0f / 9.0f) * 4.0f / 9.0f);
    EXPECT_EQ(left[2], 1.0f);
    EXPECT_EQ(t.player.ramp_length, 0u);
}

TEST(Silence, VoiceWithoutNoteAddsNothingAndKeepsItsPosition) {
    OneTrack t(1);
    const Sample& s = t.add_sample(tens(16));
    t.sound(s, 0.5f, 3, 0.25f);
    t.player.note_on = false;
    std::vector<float> out(32, 7.0f);
    t.player.mix_span(out.data(), 16);
    EXPECT_EQ(out, std::vector<float>(32, 7.0f));
    EXPECT_EQ(t.player.sample_pos, 3u);
    EXPECT_EQ(t.player.sample_frac, 0.25f);
}

TEST(Silence, DryRunAdvancesRowsButNotTheSample) {
    OneTrack t(2);
    const Sample& s = t.add_sample(tens(100000), 48000.0f);
    t.bind();
    t.sound(s, 1.0f, 7);
    EXPECT_EQ(t.player.render(nullptr, 100000), 12000);
    EXPECT_EQ(t.player.row, 2u);
    EXPECT_EQ(t.player.sample_pos, 7u);
}

TEST(Silence, SampleWithoutStoredDataPlaysSilenceButRunsAndEnds) {
    OneTrack t(1);
    Sample& s = t.add_sample({});
    s.set_length(10);
    s.data.reset();
    s.stored_elements = 0;
    t.bind();
    t.sound(s, 1.0f);
    const std::vector<float> left = t.render_left(20);
    EXPECT_EQ(left, std::vector<float>(20, 0.0f));
    EXPECT_FALSE(t.player.sample_active) << "it ended after nine frames like any voice";
    EXPECT_EQ(t.player.sample_pos, 9u);
}

TEST(Silence, ReadsPastTheStoredFramesGiveZero) {
    OneTrack t(1);
    Sample& s = t.add_sample({1.0f, 1.0f, 1.0f, 1.0f});
    s.stored_elements = 3;  // frames 2 and 3 and the last guard were not stored
    t.player.resample_mode = 0;
    t.sound(s, 1.0f);
    EXPECT_EQ(mix(t, 6), (std::vector<float>{1, 1, 0, 0, 0, 0}));
}

TEST(Silence, VoiceRunningPastItsEndDuringARowDelayReadsZeros) {
    OneTrack t(2);
    t.global(1, 4, 16);  // row 1 waits one row: the voice runs on unchecked
    const Sample& s = t.add_sample({1, 1, 1, 1}, 48000.0f);
    t.player.resample_mode = 0;
    t.bind();
    t.sound(s, 3.0f);
    const std::vector<float> left = t.render_left(6000 + 10);
    EXPECT_EQ(left[0], 1.0f);
    EXPECT_EQ(left[6000 + 5], 0.0f);
}

TEST(Silence, AbsurdStepsNeverReadOutsideTheData) {
    for (const float step : {3.0e9f, 1.0e30f, INFINITY, -1.0e30f, -INFINITY, NAN}) {
        SCOPED_TRACE(step);
        OneTrack t(1);
        const Sample& s = t.add_sample({1, 1, 1, 1});
        for (const uint32_t mode : {0u, 1u, 2u}) {
            t.player.resample_mode = mode;
            t.sound(s, step);
            const std::vector<float> left = mix(t, 8);
            for (uint32_t i = 1; i < 8; ++i) EXPECT_FALSE(std::isinf(left[i]));
        }
    }
}

}  // namespace
}  // namespace tarnwick
