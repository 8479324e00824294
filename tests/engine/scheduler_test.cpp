// Rows, ticks, delays and timed events as a listener meets them: when notes start, stop and
// restart, and how long rows last.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/effect_types.h"
#include "engine/track_player.h"
#include "tests/support/track_fixture.h"

namespace tarnwick {
namespace {

using test::OneTrack;

constexpr uint32_t kRowFrames = 6000;  // 48000 Hz at 32 ticks per second: 4 x 1500
constexpr uint32_t kTickFrames = 1500;

TEST(RowTiming, RowWithoutEffectsIsServedAsOneSpanPerTick) {
    OneTrack t(1);
    t.bind();
    EXPECT_EQ(t.player.frames_per_tick, kTickFrames);
    EXPECT_EQ(t.spans(kRowFrames), (std::vector<uint32_t>{1500, 1500, 1500, 1500}));
    EXPECT_GE(t.player.row_pos, 256.0f);
}

TEST(RowTiming, SixtyFourRowPatternLasts384000Frames) {
    OneTrack t(64);
    t.bind();
    EXPECT_EQ(t.player.render(nullptr, 500000), 384000);
    EXPECT_EQ(t.player.row, 64u);
    EXPECT_EQ(t.player.render(nullptr, 500000), 0) << "an ended track renders nothing";
}

TEST(RowTiming, PatternWithoutRowsRendersNothing) {
    OneTrack t(1);
    t.player.bind(t.cells.data(), t.types.data(), t.params.data(), 0);
    EXPECT_EQ(t.player.render(nullptr, 512), 0);
}

TEST(RowTiming, BindingToPatternWithoutRowsKeepsRunningEffects) {
    OneTrack t(1);
    t.player.retrigger_interval = 64;
    t.player.arp_running = true;
    t.player.bind(t.cells.data(), t.types.data(), t.params.data(), 0);
    EXPECT_EQ(t.player.retrigger_interval, 64);
    EXPECT_TRUE(t.player.arp_running);
    t.bind();  // a pattern with rows runs the clean-up for its empty first row
    EXPECT_EQ(t.player.retrigger_interval, 0);
    EXPECT_FALSE(t.player.arp_running);
}

TEST(RowTiming, RenderWithoutPatternArraysFails) {
    TrackPlayer p;
    EXPECT_EQ(p.render(nullptr, 16), -1);
}

TEST(RowDelay, DelaysRowByOneRowAndAppliesNoEffectMeanwhile) {
    OneTrack t(2);
    t.cell(0).volume_effect = volume_effect::kVolumeSlideDown;
    t.cell(0).volume_param = 8;  // 2 per tick
    t.global(1, global_effect::kRowDelay, 16);
    t.cell(1).note = 49;
    t.bind();

    EXPECT_EQ(t.player.render(nullptr, kRowFrames), static_cast<int32_t>(kRowFrames));
    EXPECT_FLOAT_EQ(t.player.volume, 247.0f);
    EXPECT_EQ(t.player.render(nullptr, kRowFrames), static_cast<int32_t>(kRowFrames));
    EXPECT_FALSE(t.player.note_on) << "the delayed row's note waits for the delay";
    EXPECT_FLOAT_EQ(t.player.volume, 247.0f) << "the previous row's slide stops during the delay";
    EXPECT_EQ(t.player.render(nullptr, 1), 1);
    EXPECT_TRUE(t.player.note_on);
    EXPECT_EQ(t.player.render(nullptr, 100000), static_cast<int32_t>(kRowFrames - 1));
}

TEST(RowDelay, NoteDelayCountsFromTheEndOfTheRowDelay) {
    OneTrack t(2);
    t.global(1, global_effect::kRowDelay, 16);
    t.cell(1).note = 49;
    t.cell(1).note_effect = note_effect::kNoteDelay;
    t.cell(1).note_param = 64;
    t.bind();
    const uint32_t note_frame = kRowFrames + kRowFrames + kTickFrames;
    EXPECT_EQ(t.player.render(nullptr, note_frame), static_cast<int32_t>(note_frame));
    EXPECT_FALSE(t.player.note_on);
    t.player.render(nullptr, 1);
    EXPECT_TRUE(t.player.note_on);
}

// Delays of 128 units act at the start of the third tick (frame 3000).
TEST(EventDelays, NoteAndSampleDelaysActAtTheirTick) {
    struct Case {
        const char* name;
        uint8_t note_effect, instrument_effect;
    };
    for (const Case c : {Case{"note delay", note_effect::kNoteDelay, 0},
                         Case{"sample delay", 0, instrument_effect::kSampleDelay}}) {
        SCOPED_TRACE(c.name);
        OneTrack t(1);
        t.add_sample(std::vector<float>(100000, 0.5f), 48000.0f);
        t.cell(0).note = 37;
        t.cell(0).instrument = 1;
        t.cell(0).note_effect = c.note_effect;
        t.cell(0).note_param = 128;
        t.cell(0).instrument_effect = c.instrument_effect;
        t.cell(0).instrument_param = 128;
        t.bind();
        t.player.render(nullptr, 2 * kTickFrames);
        const bool started = c.note_effect ? t.player.note_on : t.player.sample_active;
        EXPECT_FALSE(started);
        t.player.render(nullptr, 1);
        EXPECT_TRUE(c.note_effect ? t.player.note_on : t.player.sample_active);
    }
}

TEST(NoteCut, CutsAtParameterPlusOne) {
    struct Case {
        uint8_t param;
        uint32_t last_sounding_frame;  // frames rendered while the note still sounds (ceil)
    };
    for (const Case c : {Case{63, kTickFrames}, Case{0, 24}, Case{127, 2 * kTickFrames}}) {
        SCOPED_TRACE(static_cast<int>(c.param));
        OneTrack t(1);
        t.cell(0).note = 37;
        t.cell(0).note_effect = note_effect::kNoteCut;
        t.cell(0).note_param = c.param;
        t.bind();
        if (c.last_sounding_frame > 0) {
            t.player.render(nullptr, c.last_sounding_frame);
            EXPECT_TRUE(t.player.note_on);
        }
        t.player.render(nullptr, 1);
        EXPECT_FALSE(t.player.note_on);
    }
}

TEST(NoteCut, NoteCutWithParam255NeverFires) {
    OneTrack t(3);
    t.cell(0).note = 37;
    t.cell(0).note_effect = note_effect::kNoteCut;
    t.cell(0).note_param = 255;
    t.bind();
    EXPECT_EQ(t.player.render(nullptr, 100000), static_cast<int32_t>(3 * kRowFrames));
    EXPECT_TRUE(t.player.note_on);
}

// A voice playing frames 0, 1, 2, ... at one frame per output frame: the output tells where
// the sample was restarted.
struct CountingVoice : OneTrack {
    explicit CountingVoice(uint32_t rows) : OneTrack(rows) {
        add_sample(test::ramp_frames(200000), 48000.0f);
        player.resample_mode = 0;
        player.panning = 0.0f;  // everything on the left
    }
};

TEST(Retrigger, IntervalOf64RestartsTheSampleAtEveryTickWhileRowsCarryIt) {
    CountingVoice t(3);
    t.cell(0).note = 37;
    t.cell(0).instrument = 1;
    for (uint32_t row = 0; row < 2; ++row) {
        t.cell(row).instrument_effect = instrument_effect::kRetrigger;
        t.cell(row).instrument_param = 64;
    }
    t.bind();
    const std::vector<float> left = t.render_left(3 * kRowFrames);
    for (uint32_t tick = 0; tick < 8; ++tick) {
        SCOPED_TRACE(tick);
        const uint32_t start = tick * kTickFrames;
        EXPECT_NEAR(left[start], 0.0f, 1e-3f);
        EXPECT_NEAR(left[start + kTickFrames - 1], 1499.0f, 0.5f);
    }
    // Row 2 does not carry the effect: the voice plays on.
    EXPECT_NEAR(left[2 * kRowFrames + 10], 1510.0f, 0.5f);
    EXPECT_NEAR(left[3 * kRowFrames - 1], 7499.0f, 1.0f);
}

TEST(Retrigger, StartedByTheTickActionFiresInTheSameSpan) {
    CountingVoice t(1);
    t.cell(0).note = 37;
    t.cell(0).instrument = 1;
    t.cell(0).instrument_effect = instrument_effect::kRetrigger;
    t.cell(0).instrument_param = 100;
    t.bind();
    t.spans(1);
    EXPECT_EQ(t.player.retrigger_interval, 100);
    EXPECT_EQ(t.player.event_time[kRetriggerSlot], 100u) << "fired at 0 and re-armed";
}

TEST(SampleBoundary, BoundaryInsideATickEndsTheSpanThere) {
    CountingVoice t(1);
    Sample& s = *t.samples.at(0);
    s.set_length(100);  // a non-looping voice of 100 frames: frames 0..98 sound
    t.bind();
    t.sound(s, 1.0f);
    EXPECT_EQ(t.spans(kTickFrames).front(), 99u);

    CountingVoice u(1);
    u.samples.at(0)->set_length(100);
    u.bind();
    u.sound(*u.samples.at(0), 1.0f);
    const std::vector<float> left = u.render_left(kTickFrames);
    EXPECT_EQ(left[98], 98.0f);
    EXPECT_EQ(left[99], 0.0f);
    EXPECT_FALSE(u.player.sample_active);
    EXPECT_EQ(u.player.sample_pos, 99u) << "the read position stays where the voice ended";
}

// Each running effect is stopped by a row that does not carry it, and kept by one that does.
TEST(RowEntry, RowsStopTheRunningEffectsTheyDoNotContinue) {
    struct Case {
        const char* name;
        void (*start)(TrackPlayer&);
        void (*carry)(Cell&);
        bool (*running)(const TrackPlayer&);
    };
    const Case cases[] = {
        {"arpeggio", [](TrackPlayer& p) { p.arp_running = true; },
         [](Cell& c) { c.note_effect = note_effect::kArpeggio; },
         [](const TrackPlayer& p) { return p.arp_running; }},
        {"retrigger", [](TrackPlayer& p) { p.retrigger_interval = 32; },
         [](Cell& c) { c.instrument_effect = instrument_effect::kRetrigger; },
         [](const TrackPlayer& p) { return p.retrigger_interval != 0; }},
        {"vibrato", [](TrackPlayer& p) { p.vibrato_wave = 2; },
         [](Cell& c) { c.note_effect = note_effect::kVibratoSquare; },
         [](const TrackPlayer& p) { return p.vibrato_wave != 0; }},
        {"tremolo", [](TrackPlayer& p) { p.tremolo_wave = 1; },
         [](Cell& c) { c.volume_effect = volume_effect::kTremoloTriangle; },
         [](const TrackPlayer& p) { return p.tremolo_wave != 0; }},
        {"panbrello", [](TrackPlayer& p) { p.panbrello_on = 1; },
         [](Cell& c) { c.volume_effect = volume_effect::kPanbrello; },
         [](const TrackPlayer& p) { return p.panbrello_on != 0; }},
        {"note gate",
         [](TrackPlayer& p) {
             p.note_gate_on = 16;
             p.note_gate_off = 16;
         },
         [](Cell& c) { c.note_effect = note_effect::kNoteGate; },
         [](const TrackPlayer& p) { return p.note_gate_on != 0 || p.note_gate_off != 0; }},
        {"volume gate",
         [](TrackPlayer& p) {
             p.volume_gate_on = 16;
             p.volume_gate_off = 16;
         },
         [](Cell& c) { c.volume_effect = volume_effect::kVolumeGate; },
         [](const TrackPlayer& p) { return p.volume_gate_on != 0 || p.volume_gate_off != 0; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OneTrack stopped(1);
        c.start(stopped.player);
        stopped.bind();
        EXPECT_FALSE(c.running(stopped.player));

        OneTrack kept(1);
        c.carry(kept.cell(0));
        c.start(kept.player);
        kept.bind();
        EXPECT_TRUE(c.running(kept.player));
    }
}

TEST(RowEntry, StoppingAModulatorRunsOneLastStep) {
    OneTrack t(1);
    t.player.vibrato_wave = 3;
    t.player.vibrato_speed = 0.125f;
    t.player.event_time[kModulatorSlot] = 40;
    t.bind();  // bind re-arms every event, then the clean-up steps the modulator once
    EXPECT_EQ(t.player.event_time[kModulatorSlot], kNeverTime + 32);
    EXPECT_FLOAT_EQ(t.player.vibrato_phase, 0.125f);
}

TEST(Span, RequestOfZeroFramesReturnsZero) {
    OneTrack t(1);
    t.bind();
    EXPECT_EQ(t.player.next_span(0), 0);
    EXPECT_EQ(t.player.render(nullptr, 0), 0);
    EXPECT_EQ(t.player.row_pos, 0.0f);
}

TEST(Span, EventDueBetweenTicksSplitsTheTick) {
    OneTrack t(1);
    t.cell(0).note = 37;
    t.cell(0).note_effect = note_effect::kNoteCut;
    t.cell(0).note_param = 31;  // due at 32 units: half a tick
    t.bind();
    EXPECT_EQ(t.spans(kTickFrames), (std::vector<uint32_t>{750, 750}));
}

// A tick so long that its position no longer moves in float arithmetic: render closes the
// tick instead of serving empty spans forever.
TEST(Span, RenderNeverStallsOnATickItCannotFinish) {
    OneTrack t(1);
    t.bind();
    t.player.frames_per_tick = 1u << 26;
    t.player.frames_per_tick_inv = std::nextafter(1.0f / 67108864.0f, 0.0f);
    t.player.tick_frames_done = t.player.frames_per_tick;
    t.player.row_pos = 63.99999f;
    t.player.event_time[kTickSlot] = 64;
    EXPECT_EQ(t.player.render(nullptr, 1), 1);
    EXPECT_GE(t.player.event_time[kTickSlot], 128u) << "the second tick has started";
}

TEST(Span, TicksShorterThanOneFrameLastOneFrame) {
    OneTrack t(2, 100);
    t.global(0, global_effect::kSetTickRate, 255);  // 256 ticks per second at 100 Hz
    t.bind();
    EXPECT_EQ(t.player.render(nullptr, 1000), 8);
}

}  // namespace
}  // namespace tarnwick
