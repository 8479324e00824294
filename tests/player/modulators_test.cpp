#include <gtest/gtest.h>

#include <cmath>

#include "engine/effect_types.h"
#include "engine/effects.h"
#include "engine/track_player.h"
#include "tests/support/track_fixture.h"

namespace tarnwick {
namespace {

using test::expected_step;
using test::make_sample;

struct WaveCase {
    int32_t wave;
    float x;
    float value;
};

class ModulatorWave : public testing::TestWithParam<WaveCase> {};

TEST_P(ModulatorWave, FollowsItsShape) {
    const WaveCase& c = GetParam();
    EXPECT_NEAR(modulator_wave(c.wave, c.x), c.value, 1e-6) << "wave " << c.wave << " x " << c.x;
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, ModulatorWave,
    testing::Values(
        // Sine.
        WaveCase{waveform::kSine, 0.0f, 0.0f}, WaveCase{waveform::kSine, 0.25f, 1.0f},
        WaveCase{waveform::kSine, 0.5f, 0.0f}, WaveCase{waveform::kSine, 0.75f, -1.0f},
        WaveCase{waveform::kSine, 0.125f, 0.70710677f},
        // Triangle: 0, 1, 0, -1, 0.
        WaveCase{waveform::kTriangle, 0.0f, 0.0f}, WaveCase{waveform::kTriangle, 0.125f, 0.5f},
        WaveCase{waveform::kTriangle, 0.25f, 1.0f}, WaveCase{waveform::kTriangle, 0.375f, 0.5f},
        WaveCase{waveform::kTriangle, 0.5f, 0.0f}, WaveCase{waveform::kTriangle, 0.625f, -0.5f},
        WaveCase{waveform::kTriangle, 0.75f, -1.0f}, WaveCase{waveform::kTriangle, 0.875f, -0.5f},
        // Square: high for the first half of the cycle.
        WaveCase{waveform::kSquare, 0.0f, 1.0f}, WaveCase{waveform::kSquare, 0.49f, 1.0f},
        WaveCase{waveform::kSquare, 0.5f, -1.0f}, WaveCase{waveform::kSquare, 0.99f, -1.0f},
        // No waveform.
        WaveCase{waveform::kOff, 0.25f, 0.0f}, WaveCase{7, 0.25f, 0.0f}));

// A sounding voice at note 37 on an 8363 Hz sample.
struct Voice {
    std::unique_ptr<Sample> sample = make_sample(100000, 8363.0f);
    TrackPlayer p;
    Voice() {
        p.sample = sample.get();
        p.pitch = 576.0f;
        p.update_step();
        p.event_time[kModulatorSlot] = 0;
    }
};

TEST(Vibrato, Param00MovesByUpToTwoUnitsAndCompletesOneCyclePerRow) {
    Voice v;
    TrackPlayer& p = v.p;
    p.vibrato_wave = waveform::kSine;
    p.vibrato_speed = modulator_speed(0x00);
    p.vibrato_depth = 2.0f;
    for (int k = 0; k < 8; ++k) {  // two steps per tick, four ticks
        p.modulator_step();
        const double offset = 2.0 * std::sin(k * 2.0 * M_PI / 8.0);
        const double want = expected_step(576.0 + offset, 8363.0, 48000.0);
        EXPECT_NEAR(p.step, want, want * 2e-6) << "step " << k;
        EXPECT_EQ(p.pitch, 576.0f) << "step " << k;
        EXPECT_EQ(p.event_time[kModulatorSlot], 32u * (k + 1));
    }
    EXPECT_EQ(p.vibrato_phase, 0.0f);  // back at the start of the cycle
}

TEST(Vibrato, TriangleAndSquareShapes) {
    struct Case {
        int32_t wave;
        float phase;
        double offset;
    };
    for (const Case& c :
         {Case{waveform::kTriangle, 0.125f, 4.0}, Case{waveform::kTriangle, 0.75f, -8.0},
          Case{waveform::kSquare, 0.25f, 8.0}, Case{waveform::kSquare, 0.5f, -8.0}}) {
        Voice v;
        v.p.vibrato_wave = c.wave;
        v.p.vibrato_phase = c.phase;
        v.p.vibrato_speed = 0.125f;
        v.p.vibrato_depth = 8.0f;
        v.p.modulator_step();
        const double want = expected_step(576.0 + c.offset, 8363.0, 48000.0);
        EXPECT_NEAR(v.p.step, want, want * 2e-6) << c.wave << " " << c.phase;
        EXPECT_EQ(v.p.vibrato_phase, c.phase + 0.125f);
    }
}

TEST(Vibrato, PhaseWrapsBelowOne) {
    Voice v;
    v.p.vibrato_wave = waveform::kSine;
    v.p.vibrato_phase = 0.96875f;
    v.p.vibrato_speed = 1.0f / 16.0f;
    v.p.modulator_step();
    EXPECT_FLOAT_EQ(v.p.vibrato_phase, 0.03125f);
}

TEST(Tremolo, ModulatesTheGainsNotTheVolume) {
    Voice v;
    TrackPlayer& p = v.p;
    p.volume = 128.0f;
    p.panning = 0.0f;  // all on the left: gain_left is the level
    p.tremolo_wave = waveform::kSquare;
    p.tremolo_speed = 0.25f;
    p.tremolo_depth = 8.0f;
    const float levels[] = {136.0f, 136.0f, 120.0f, 120.0f, 136.0f};
    for (float level : levels) {
        p.modulator_step();
        EXPECT_NEAR(p.gain_left, level / 255.0f, 1e-6);
        EXPECT_EQ(p.volume, 128.0f);
        EXPECT_EQ(p.ramp_ref_volume, level);  // each step ramps by its own change
    }
}

TEST(Tremolo, ModulatedVolumeStaysWithin0To255) {
    Voice v;
    v.p.volume = 250.0f;
    v.p.panning = 0.0f;
    v.p.tremolo_wave = waveform::kSquare;
    v.p.tremolo_depth = 128.0f;
    v.p.modulator_step();
    EXPECT_NEAR(v.p.gain_left, 1.0f, 1e-6);
    v.p.volume = 5.0f;
    v.p.tremolo_phase = 0.5f;
    v.p.modulator_step();
    EXPECT_EQ(v.p.gain_left, 0.0f);
    EXPECT_EQ(v.p.volume, 5.0f);
}

TEST(Panbrello, ModulatesThePanningWithASine) {
    Voice v;
    TrackPlayer& p = v.p;
    p.panning = 128.0f;
    p.panbrello_on = 1;
    p.panbrello_phase = 0.25f;
    p.panbrello_speed = 0.5f;
    p.panbrello_depth = 16.0f;
    p.modulator_step();
    EXPECT_NEAR(p.gain_right, 144.0f / 255.0f, 1e-6);
    EXPECT_EQ(p.panning, 128.0f);
    p.panning = 250.0f;
    p.modulator_step();  // phase 0.75: -16
    EXPECT_NEAR(p.gain_right, 234.0f / 255.0f, 1e-6);
    p.panning = 250.0f;
    p.panbrello_depth = 128.0f;
    p.modulator_step();  // phase 0.25: +128, held at 255
    EXPECT_NEAR(p.gain_right, 1.0f, 1e-6);
    EXPECT_EQ(p.panning, 250.0f);
}

TEST(ModulatorStep, AllThreeRunInOneStepAndRearmOnce) {
    Voice v;
    TrackPlayer& p = v.p;
    p.vibrato_wave = waveform::kSquare;
    p.vibrato_depth = 16.0f;
    p.vibrato_speed = 0.125f;
    p.tremolo_wave = waveform::kSquare;
    p.tremolo_depth = 8.0f;
    p.tremolo_speed = 0.125f;
    p.panbrello_on = 1;
    p.panbrello_phase = 0.25f;
    p.panbrello_depth = 27.0f;
    p.panbrello_speed = 0.125f;
    p.volume = 100.0f;
    p.panning = 100.0f;
    p.event_time[kModulatorSlot] = 64;
    p.modulator_step();
    const double want = expected_step(592.0, 8363.0, 48000.0);
    EXPECT_NEAR(p.step, want, want * 2e-6);
    // The panbrello's gain update comes last and sees the true volume.
    EXPECT_NEAR(p.gain_right, 100.0 / 255.0 * 127.0 / 255.0, 1e-6);
    EXPECT_EQ(p.event_time[kModulatorSlot], 96u);
    EXPECT_EQ(p.vibrato_phase, 0.125f);
    EXPECT_EQ(p.tremolo_phase, 0.125f);
    EXPECT_EQ(p.panbrello_phase, 0.375f);
}

TEST(ModulatorStep, NothingRunningOnlyRearms) {
    Voice v;
    const float step = v.p.step;
    v.p.modulator_step();
    EXPECT_EQ(v.p.step, step);
    EXPECT_EQ(v.p.gain_left, 0.0f);
    EXPECT_EQ(v.p.event_time[kModulatorSlot], 32u);
}

}  // namespace
}  // namespace tarnwick
