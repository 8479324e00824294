#include <gtest/gtest.h>

#include "engine/effect_types.h"
#include "engine/track_player.h"
#include "tests/support/case_name.h"
#include "tests/support/track_fixture.h"

namespace tarnwick {
namespace {

using test::make_sample;

// A module with three sample slots: a plain sample, an empty slot and a looping sample.
struct ThreeSlots {
    SampleList list;
    ThreeSlots() {
        std::vector<std::unique_ptr<Sample>> entries;
        entries.push_back(make_sample(1000, 8363.0f, 200.0f));
        entries.push_back(nullptr);
        entries.push_back(make_sample(500, 8363.0f, 0.0f, 100, 400));
        test::fill_sample_list(list, std::move(entries));
    }
};

// A fresh player on the three slots.
class SelectInstrument : public testing::Test {
  protected:
    SelectInstrument() { p.samples = &slots.list; }
    ThreeSlots slots;
    TrackPlayer p;
};

TEST_F(SelectInstrument, ValidEntryIsSelectedAndTriggered) {
    EXPECT_TRUE(p.select_instrument(3));
    EXPECT_EQ(p.sample, slots.list.at(2));
    EXPECT_TRUE(p.sample_active);
    EXPECT_TRUE(p.loop_enabled);
}

TEST_F(SelectInstrument, OnePastTheEndSilencesWithoutError) {
    ASSERT_TRUE(p.select_instrument(1));
    EXPECT_TRUE(p.select_instrument(4));
    EXPECT_EQ(p.sample, nullptr);
    EXPECT_FALSE(p.sample_active);
    EXPECT_TRUE(p.select_instrument(255));
}

TEST_F(SelectInstrument, EmptyEntryIsAFailure) {
    ASSERT_TRUE(p.select_instrument(1));
    EXPECT_FALSE(p.select_instrument(2));
    EXPECT_EQ(p.sample, nullptr);
    EXPECT_FALSE(p.sample_active);
}

TEST_F(SelectInstrument, KeepsTheStepOfThePreviousPitch) {
    p.step = 0.5f;
    p.pitch = 768.0f;
    ASSERT_TRUE(p.select_instrument(1));
    EXPECT_EQ(p.step, 0.5f);
}

TEST_F(SelectInstrument, WithoutSampleListOnlyInstrumentZeroFails) {
    p.samples = nullptr;                  // as a player starts
    EXPECT_TRUE(p.select_instrument(1));  // past the end of an empty list
    EXPECT_EQ(p.sample, nullptr);
    EXPECT_FALSE(p.select_instrument(0));  // no entry before the first
}

struct DefaultVolumeCase {
    const char* name;
    float sample_volume;
    uint8_t cell_volume;
    uint8_t instrument_effect;
    float volume_after;
};

class TriggerDefaultVolume : public testing::TestWithParam<DefaultVolumeCase> {};

TEST_P(TriggerDefaultVolume, AppliesOnlyWithoutVolumeByteOrRestartEffect) {
    const DefaultVolumeCase& c = GetParam();
    auto s = make_sample(100, 8363.0f, c.sample_volume);
    test::OneTrack t{
        Cell{.instrument = 1, .volume = c.cell_volume, .instrument_effect = c.instrument_effect}};
    t.player.volume = 77.0f;
    t.player.sample = s.get();
    t.player.trigger_sample();
    EXPECT_EQ(t.player.volume, c.volume_after);
}

INSTANTIATE_TEST_SUITE_P(
    Cells, TriggerDefaultVolume,
    testing::Values(DefaultVolumeCase{"PlainCell", 200.0f, 0, 0, 200.0f},
                    DefaultVolumeCase{"SampleWithoutDefault", 0.0f, 0, 0, 77.0f},
                    DefaultVolumeCase{"VolumeByteWins", 200.0f, 40, 0, 77.0f},
                    DefaultVolumeCase{"RestartEffectKeepsVolume", 200.0f, 0,
                                      instrument_effect::kRestartSample, 77.0f},
                    DefaultVolumeCase{"OtherEffectAppliesDefault", 200.0f, 0,
                                      instrument_effect::kLoopOff, 200.0f}),
    test::CaseName{});

TEST(TriggerSample, RestartsFromFrameZeroForwardsWithFreshPhases) {
    auto s = make_sample(1000, 8363.0f, 0.0f, 10, 900);
    test::OneTrack t{Cell{}};
    TrackPlayer& p = t.player;
    p.sample = s.get();
    p.sample_pos = 500;
    p.sample_frac = 0.5f;
    p.step = -0.25f;
    p.vibrato_phase = p.tremolo_phase = p.panbrello_phase = 0.5f;
    p.arp_phase = 2;
    p.note_gate_next_on = p.volume_gate_next_on = false;
    p.row_pos = 128.7f;
    p.trigger_sample();
    EXPECT_TRUE(p.sample_active);
    EXPECT_TRUE(p.loop_enabled);
    EXPECT_EQ(p.sample_pos, 0u);
    EXPECT_EQ(p.sample_frac, 0.0f);
    EXPECT_TRUE(p.history_stale);
    EXPECT_EQ(p.step, 0.25f);
    EXPECT_EQ(p.vibrato_phase, 0.0f);
    EXPECT_EQ(p.tremolo_phase, 0.0f);
    EXPECT_EQ(p.panbrello_phase, 0.0f);
    EXPECT_EQ(p.arp_phase, 0u);
    EXPECT_TRUE(p.note_gate_next_on);
    EXPECT_TRUE(p.volume_gate_next_on);
    for (uint32_t slot : {kRetriggerSlot, kModulatorSlot, kNoteGateSlot, kVolumeGateSlot}) {
        EXPECT_EQ(p.event_time[slot], 128u) << "slot " << slot;
    }
    EXPECT_EQ(p.event_time[kCutSlot], kNeverTime);
    EXPECT_FALSE(p.note_on);  // triggering is not a note
}

TEST(TriggerSample, EmptySampleOrNoneStaysSilent) {
    auto s = make_sample(0);
    TrackPlayer p;
    p.sample_active = true;
    p.trigger_sample();
    EXPECT_FALSE(p.sample_active);
    p.sample = s.get();
    p.sample_active = true;
    p.trigger_sample();
    EXPECT_FALSE(p.sample_active);
}

TEST(TriggerSample, WorksOffTheRowWithAnEmptyCell) {
    auto s = make_sample(100, 8363.0f, 99.0f);
    TrackPlayer p;  // bound to nothing
    p.sample = s.get();
    p.trigger_sample();
    EXPECT_TRUE(p.sample_active);
    EXPECT_EQ(p.volume, 99.0f);
}

struct OffsetCase {
    const char* name;
    uint8_t type;
    uint8_t param;
    uint32_t length;
    bool active;
    uint32_t sample_pos;
};

class TriggerWithSampleOffset : public testing::TestWithParam<OffsetCase> {};

TEST_P(TriggerWithSampleOffset, StartsAtTheOffsetOrFallsSilent) {
    const OffsetCase& c = GetParam();
    auto s = make_sample(c.length);
    test::OneTrack t{
        Cell{.instrument = 1, .instrument_effect = c.type, .instrument_param = c.param}};
    t.player.sample = s.get();
    t.player.trigger_sample();
    EXPECT_EQ(t.player.sample_active, c.active);
    EXPECT_EQ(t.player.sample_pos, c.sample_pos);
}

INSTANTIATE_TEST_SUITE_P(
    Offsets, TriggerWithSampleOffset,
    testing::Values(
        OffsetCase{"Type6", instrument_effect::kSampleOffset, 2, 1000, true, 512},
        OffsetCase{"Type7", instrument_effect::kSampleOffset64K, 1, 70000, true, 65792},
        OffsetCase{"Type8", instrument_effect::kSampleOffset128K, 0, 140000, true, 131072},
        OffsetCase{"Type9Param255", instrument_effect::kSampleOffset192K, 255, 300000, true,
                   261888},
        OffsetCase{"LastFrame", instrument_effect::kSampleOffset, 1, 257, true, 256},
        OffsetCase{"PastTheEnd", instrument_effect::kSampleOffset, 1, 256, false, 0},
        OffsetCase{"Type9PastTheEnd", instrument_effect::kSampleOffset192K, 255, 261888, false, 0}),
    test::CaseName{});

TEST(SetSamplePosition, MovesWithinTheSampleAndSilencesBeyond) {
    auto s = make_sample(100);
    TrackPlayer p;
    p.sample = s.get();
    p.sample_active = true;
    p.sample_frac = 0.5f;
    p.set_sample_position(99);
    EXPECT_EQ(p.sample_pos, 99u);
    EXPECT_EQ(p.sample_frac, 0.0f);
    EXPECT_TRUE(p.history_stale);
    EXPECT_TRUE(p.sample_active);

    p.history_stale = false;
    p.set_sample_position(100);
    EXPECT_FALSE(p.sample_active);
    EXPECT_EQ(p.sample_pos, 99u);
    EXPECT_FALSE(p.history_stale);

    TrackPlayer none;
    none.sample_active = true;
    none.set_sample_position(0);
    EXPECT_FALSE(none.sample_active);
}

}  // namespace
}  // namespace tarnwick
