#include <gtest/gtest.h>

#include <vector>

#include "engine/effect_types.h"
#include "engine/track_player.h"
#include "tests/support/case_name.h"
#include "tests/support/track_fixture.h"

namespace tarnwick {
namespace {

using test::OneTrack;

struct SlideCase {
    const char* name;
    uint8_t type;
    uint8_t param;
    float volume;
    float panning;
    float volume_after_row;
    float panning_after_row;
};

class LevelSlide : public testing::TestWithParam<SlideCase> {};

TEST_P(LevelSlide, MovesEveryTickWithin0To255) {
    const SlideCase& c = GetParam();
    OneTrack t{Cell{.volume_effect = c.type, .volume_param = c.param}};
    t.player.volume = c.volume;
    t.player.panning = c.panning;
    t.play_row();
    EXPECT_EQ(t.player.volume, c.volume_after_row);
    EXPECT_EQ(t.player.panning, c.panning_after_row);
    EXPECT_TRUE(t.player.gains_dirty);
}

INSTANTIATE_TEST_SUITE_P(
    Slides, LevelSlide,
    testing::Values(SlideCase{"VolumeUpParam8Gives8PerRow", volume_effect::kVolumeSlideUp, 8,
                              100.0f, 128.0f, 108.0f, 128.0f},
                    SlideCase{"VolumeUpStopsAt255", volume_effect::kVolumeSlideUp, 255, 100.0f,
                              128.0f, 255.0f, 128.0f},
                    SlideCase{"VolumeDownQuarterSteps", volume_effect::kVolumeSlideDown, 1, 100.0f,
                              128.0f, 99.0f, 128.0f},
                    SlideCase{"VolumeDownStopsAt0", volume_effect::kVolumeSlideDown, 200, 100.0f,
                              128.0f, 0.0f, 128.0f},
                    SlideCase{"SetPanning", volume_effect::kSetPanning, 17, 100.0f, 128.0f, 100.0f,
                              17.0f},
                    SlideCase{"PanningLeft", volume_effect::kPanningSlideLeft, 16, 100.0f, 128.0f,
                              100.0f, 112.0f},
                    SlideCase{"PanningLeftStopsAt0", volume_effect::kPanningSlideLeft, 255, 100.0f,
                              128.0f, 100.0f, 0.0f},
                    SlideCase{"PanningRight", volume_effect::kPanningSlideRight, 2, 100.0f, 128.0f,
                              100.0f, 130.0f},
                    SlideCase{"PanningRightStopsAt255", volume_effect::kPanningSlideRight, 200,
                              100.0f, 128.0f, 100.0f, 255.0f},
                    SlideCase{"ZeroSlideChangesNothingButMarksGains", volume_effect::kVolumeSlideUp,
                              0, 100.0f, 128.0f, 100.0f, 128.0f}),
    test::CaseName{});

struct ModulatorStartCase {
    const char* name;
    uint8_t type;
    uint8_t param;
    int32_t tremolo_wave;
    int32_t panbrello_on;
    float speed;
    float depth;
};

class ModulatorStart : public testing::TestWithParam<ModulatorStartCase> {};

TEST_P(ModulatorStart, SetsWaveSpeedDepthAndArmsTheModulator) {
    const ModulatorStartCase& c = GetParam();
    OneTrack t{Cell{.volume_effect = c.type, .volume_param = c.param}};
    TrackPlayer& p = t.player;
    p.tremolo_phase = p.panbrello_phase = 0.5f;
    p.row_pos = 63.0f;  // "up to 63": still the first tick
    p.apply_cell();
    EXPECT_EQ(p.tremolo_wave, c.tremolo_wave);
    EXPECT_EQ(p.panbrello_on, c.panbrello_on);
    EXPECT_EQ(p.event_time[kModulatorSlot], 0u);
    if (c.tremolo_wave != 0) {
        EXPECT_FLOAT_EQ(p.tremolo_speed, c.speed);
        EXPECT_EQ(p.tremolo_depth, c.depth);
        EXPECT_EQ(p.tremolo_phase, 0.0f);
    } else {
        EXPECT_FLOAT_EQ(p.panbrello_speed, c.speed);
        EXPECT_EQ(p.panbrello_depth, c.depth);
        EXPECT_EQ(p.panbrello_phase, 0.0f);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Modulators, ModulatorStart,
    testing::Values(ModulatorStartCase{"TremoloSine", volume_effect::kTremoloSine, 0x00, 1, 0,
                                       1.0f / 8.0f, 8.0f},
                    ModulatorStartCase{"TremoloTriangle", volume_effect::kTremoloTriangle, 0x12, 2,
                                       0, 1.0f / 16.0f, 24.0f},
                    ModulatorStartCase{"TremoloSquare", volume_effect::kTremoloSquare, 0xFF, 3, 0,
                                       1.0f / 128.0f, 128.0f},
                    ModulatorStartCase{"Panbrello", volume_effect::kPanbrello, 0x31, 0, 1,
                                       1.0f / 32.0f, 16.0f}),
    test::CaseName{});

TEST(ModulatorStart, RunningTremoloAndPanbrelloKeepTheirPhase) {
    OneTrack t{Cell{.volume_effect = volume_effect::kTremoloSquare, .volume_param = 0},
               Cell{.volume_effect = volume_effect::kPanbrello, .volume_param = 0}};
    TrackPlayer& p = t.player;
    p.tremolo_wave = 1;
    p.tremolo_phase = 0.25f;
    t.tick(0);
    EXPECT_EQ(p.tremolo_phase, 0.25f);
    p.panbrello_on = 1;
    p.panbrello_phase = 0.75f;
    t.next_row();
    t.tick(0);
    EXPECT_EQ(p.panbrello_phase, 0.75f);
}

TEST(ModulatorStart, NotOnLaterTicks) {
    OneTrack t{Cell{.volume_effect = volume_effect::kTremoloSine, .volume_param = 0}};
    t.tick(1);
    EXPECT_EQ(t.player.tremolo_wave, 0);
}

TEST(VolumeGateStart, NewGateBeginsMuted) {
    OneTrack t{Cell{.volume_effect = volume_effect::kVolumeGate, .volume_param = 0x13}};
    TrackPlayer& p = t.player;
    p.volume_gate_next_on = true;
    t.tick(0);
    EXPECT_FALSE(p.volume_gate_next_on);
    EXPECT_EQ(p.volume_gate_on, 64);   // (lo + 1) * 16
    EXPECT_EQ(p.volume_gate_off, 32);  // (hi + 1) * 16
}

TEST(VolumeGateStart, RunningGateKeepsItsPhaseAndIgnoresPosition63) {
    OneTrack t{Cell{.volume_effect = volume_effect::kVolumeGate, .volume_param = 0}};
    TrackPlayer& p = t.player;
    p.volume_gate_off = 16;
    p.volume_gate_next_on = true;
    t.tick(0);
    EXPECT_TRUE(p.volume_gate_next_on);
    p.volume_gate_on = 99;
    p.row_pos = 63.0f;
    p.apply_cell();
    EXPECT_EQ(p.volume_gate_on, 99);
}

TEST(VolumeEffects, UnknownTypesDoNothing) {
    for (uint8_t type : {uint8_t{11}, uint8_t{12}, uint8_t{255}}) {
        OneTrack t{Cell{.volume_effect = type, .volume_param = 0x47}};
        t.play_row();
        EXPECT_EQ(t.player.volume, 255.0f) << int{type};
        EXPECT_EQ(t.player.panning, 128.0f) << int{type};
        EXPECT_FALSE(t.player.gains_dirty) << int{type};
    }
}

}  // namespace
}  // namespace tarnwick
