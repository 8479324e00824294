// The song as the decoder meets it: orders played in turn inside one render call, the end of
// the song, looping, the length in seconds, and inputs that must never hang playback.

#include "engine/sequencer.h"

#include <gtest/gtest.h>

#include <vector>

#include "engine/effect_types.h"
#include "loader/module.h"
#include "tests/engine/module_fixture.h"

namespace tarnwick {
namespace {

using test::build_song;
using test::note;
using test::put_cell;
using test::render_all;

constexpr uint32_t kRowFrames = 6000;

TEST(SongOrder, RenderCallCrossingAPatternEndContinuesWithTheNextPattern) {
    Module m;
    build_song(m, {{1, 1}, {1, 1}}, {0, 1});
    put_cell(m, 1, 0, 0, note(37));  // only the second pattern sounds
    std::vector<float> out(1024);
    for (int call = 0; call < 11; ++call) ASSERT_EQ(m.render(out.data(), 512), 512);
    std::fill(out.begin(), out.end(), 0.0f);
    ASSERT_EQ(m.render(out.data(), 512), 512);
    EXPECT_EQ(m.current_order, 1u);
    const uint32_t boundary = kRowFrames - 11 * 512;  // 368
    for (uint32_t i = 0; i < boundary; ++i) ASSERT_EQ(out[2 * i], 0.0f) << i;
    for (uint32_t i = boundary; i < 512; ++i) ASSERT_NE(out[2 * i], 0.0f) << i;
}

TEST(SongOrder, EndOfSongReturnsTheFramesUpToTheEndThenZero) {
    Module m;
    build_song(m, {{1, 1}}, {0});
    std::vector<float> out(1024);
    int32_t total = 0;
    int32_t n = 0;
    while ((n = m.render(out.data(), 512)) == 512) total += n;
    EXPECT_EQ(n, static_cast<int32_t>(kRowFrames % 512));
    EXPECT_EQ(total + n, static_cast<int32_t>(kRowFrames));
    EXPECT_EQ(m.render(out.data(), 512), 0);
    EXPECT_EQ(m.render(out.data(), 512), 0);
}

TEST(SongOrder, EndedLoopingSongStaysEnded) {
    Module m;
    build_song(m, {{1, 1}}, {0, 0});
    m.looping = true;
    m.loop_end = 2;  // beyond the last order: never wraps
    EXPECT_EQ(m.render(nullptr, 100000), static_cast<int32_t>(2 * kRowFrames));
    EXPECT_EQ(m.render(nullptr, 100000), 0);
    EXPECT_EQ(m.render(nullptr, 100000), 0);
}

TEST(SongOrder, TwoTracksSumIntoTheSameFrames) {
    Module one;
    build_song(one, {{1, 1}}, {0});
    put_cell(one, 0, 0, 0, note(37));
    Module two;
    build_song(two, {{1, 2}}, {0});
    put_cell(two, 0, 0, 0, note(37));
    put_cell(two, 0, 0, 1, note(37));
    const std::vector<float> a = render_all(one, 512);
    const std::vector<float> b = render_all(two, 512);
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) ASSERT_FLOAT_EQ(b[i], 2.0f * a[i]) << i;
}

TEST(SongOrder, PatternWithoutTracksIsSkipped) {
    Module m;
    build_song(m, {{1, 1}, {4, 0}}, {1, 0, 1});
    EXPECT_EQ(m.render(nullptr, 100000), static_cast<int32_t>(kRowFrames));
}

TEST(SongOrder, FailsWithoutPatternsOrdersOrSamples) {
    Module m;
    EXPECT_EQ(m.render(nullptr, 512), -1);
    EXPECT_EQ(m.compute_length_seconds(), 0u);
    build_song(m, {{1, 1}}, {0});
    m.samples.resize(0);
    EXPECT_EQ(m.render(nullptr, 512), -1);
    EXPECT_EQ(m.compute_length_seconds(), 0u);
}

TEST(Looping, OneOrderSongReplaysItsPatternForever) {
    Module m;
    build_song(m, {{2, 1}}, {0});
    put_cell(m, 0, 0, 0, note(37));
    m.looping = true;
    std::vector<float> first(2 * 2 * kRowFrames);
    ASSERT_EQ(m.render(first.data(), 2 * kRowFrames), static_cast<int32_t>(2 * kRowFrames));
    for (int pass = 0; pass < 20; ++pass) {
        std::vector<float> again(first.size());
        ASSERT_EQ(m.render(again.data(), 2 * kRowFrames), static_cast<int32_t>(2 * kRowFrames));
        EXPECT_EQ(m.current_order, 0u);
        // The loop sample was restarted by the row's instrument: every pass sounds the same.
        for (size_t i = 0; i < again.size(); ++i) ASSERT_FLOAT_EQ(again[i], first[i]) << i;
    }
}

TEST(Looping, LoopRangeRepeatsBetweenLoopStartAndLoopEnd) {
    Module m;
    build_song(m, {{1, 1}}, {0, 0, 0, 0});
    m.looping = true;
    m.loop_start = 1;
    m.loop_end = 2;
    std::vector<uint32_t> visited;
    for (int block = 0; block < 8; ++block) {
        ASSERT_EQ(m.render(nullptr, kRowFrames), static_cast<int32_t>(kRowFrames));
        visited.push_back(m.current_order);
    }
    // A block that ends exactly with a pattern moves on at the next call.
    EXPECT_EQ(visited, (std::vector<uint32_t>{0, 1, 2, 1, 2, 1, 2, 1}));
}

TEST(Looping, WithoutLoopingTheSongPlaysPastLoopEndAndEnds) {
    Module m;
    build_song(m, {{1, 1}}, {0, 0, 0});
    m.loop_end = 0;
    EXPECT_EQ(m.render(nullptr, 100000), static_cast<int32_t>(3 * kRowFrames));
}

// Loop ranges in which nothing can sound: render must come back, and the song ends.
TEST(Looping, LoopRangeWithoutFramesEndsTheSong) {
    struct Case {
        const char* name;
        std::vector<test::PatternShape> shapes;
    };
    for (const Case& c : {Case{"no tracks", {{1, 1}, {4, 0}}}, Case{"no rows", {{1, 1}, {0, 2}}}}) {
        SCOPED_TRACE(c.name);
        Module m;
        build_song(m, c.shapes, {0, 1, 1});
        m.looping = true;
        m.loop_start = 1;
        m.loop_end = 2;
        EXPECT_EQ(m.render(nullptr, 100000), static_cast<int32_t>(kRowFrames));
        EXPECT_EQ(m.render(nullptr, 100000), 0);
    }
}

TEST(Looping, SongOfEmptyPatternsOnlyLoopsToNothing) {
    Module m;
    build_song(m, {{0, 1}, {3, 0}}, {0, 1});
    m.looping = true;
    m.loop_end = 1;
    EXPECT_EQ(m.render(nullptr, 512), 0);
}

TEST(Length, ThreeOrdersOfTwoAndAHalfSecondsLastSevenSeconds) {
    Module m;
    build_song(m, {{20, 1}}, {0, 0, 0});  // 20 rows at 8 rows per second
    EXPECT_EQ(m.compute_length_seconds(), 7u);
}

TEST(Length, FollowsTempoChangesOfTheGlobalTrack) {
    Module m;
    build_song(m, {{64, 1}}, {0, 0});
    m.patterns[0].set_global(0, global_effect::kSetTickRate, 15);  // 16 ticks per second
    EXPECT_EQ(m.compute_length_seconds(), 32u);
}

TEST(Length, OrderBeyondThePatternsMakesLengthZeroAndPlaybackFailThere) {
    Module m;
    build_song(m, {{1, 1}}, {0, 5});
    EXPECT_EQ(m.compute_length_seconds(), 0u);
    EXPECT_EQ(m.current_order, 0u) << "the song stays ready to play from the first order";
    EXPECT_TRUE(m.restart_pending);
    std::vector<float> out(2 * 4096);
    EXPECT_EQ(m.render(out.data(), 4096), 4096);
    EXPECT_EQ(m.render(out.data(), 4096), -1);
}

TEST(Length, FirstRenderAfterTheScanStartsFromTheFirstOrderWithFreshPlayers) {
    Module m;
    build_song(m, {{4, 1}, {2, 3}}, {0, 1});
    m.set_resample_mode(2);
    EXPECT_EQ(m.compute_length_seconds(), 0u);  // 0.75 s
    EXPECT_EQ(m.players.count, 1u);
    EXPECT_EQ(m.render(nullptr, 1), 1);
    EXPECT_EQ(m.current_order, 0u);
    ASSERT_EQ(m.players.count, 1u);
    EXPECT_EQ(m.players.at(0)->output_rate, 48000u);
    EXPECT_EQ(m.players.at(0)->resample_mode, 2u);
    EXPECT_EQ(m.players.at(0)->row, 0u);
    EXPECT_EQ(m.render(nullptr, 100000), static_cast<int32_t>(6 * kRowFrames - 1));
}

TEST(Length, SongLongerThanTheScanCapReportsTheCap) {
    Module m;
    build_song(m, {{65535, 1}}, {0, 0, 0});
    m.patterns[0].set_global(0, global_effect::kSetTickRate, 0);  // one tick per second
    EXPECT_EQ(m.compute_length_seconds(), kLengthScanCapSeconds);
}

TEST(Length, LeadingPatternWithoutTracksTakesNoTime) {
    Module m;
    build_song(m, {{2, 0}, {17, 1}}, {0, 1});  // 17 rows of 1248 frames at 10000 Hz
    EXPECT_EQ(m.compute_length_seconds(), 2u);
}

TEST(Settings, SettersReachExistingAndLaterPlayers) {
    Module m;
    build_song(m, {{1, 2}, {1, 4}}, {0, 1});
    ASSERT_EQ(m.render(nullptr, 1), 1);
    m.set_mix_volume(0.25f);
    m.set_resample_mode(0);
    m.set_output_rate(44100);
    m.set_ramping(true);
    m.set_ramp_ms(-2.0f);
    EXPECT_FLOAT_EQ(m.players.ramp_ms, -2.0f) << "the set keeps the value as given";
    // The first pattern keeps its tick length until the next binding: 5999 + 5512 frames.
    ASSERT_EQ(m.render(nullptr, 100000), static_cast<int32_t>(kRowFrames - 1 + 4 * 1378));
    ASSERT_EQ(m.players.count, 4u);
    for (uint32_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const TrackPlayer& p = *m.players.at(i);
        EXPECT_FLOAT_EQ(p.mix_volume, 0.25f);
        EXPECT_EQ(p.resample_mode, 0u);
        EXPECT_EQ(p.output_rate, 44100u);
        EXPECT_TRUE(p.ramp_enabled);
        EXPECT_EQ(p.ramp_ms, 0.0f);
        EXPECT_EQ(p.frames_per_tick, 44100u / 32);
    }
}

TEST(Settings, ExtremeOutputRatesStillPlayEveryRowAndEnd) {
    for (const uint32_t rate : {0u, 1u, 100u, 255u, 256u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(rate);
        Module m;
        build_song(m, {{3, 2}}, {0});
        put_cell(m, 0, 0, 0, note(60));
        m.set_output_rate(rate);
        const uint32_t tick = rate / 32 ? rate / 32 : 1;
        int64_t total = 0;
        int32_t n = 0;
        while ((n = m.render(nullptr, 0x7FFFFFFF)) > 0) total += n;
        EXPECT_EQ(n, 0);
        EXPECT_EQ(total, int64_t{12} * tick);
    }
}

TEST(PlayerSet, ResizeKeepsPlayersAndGivesNewOnesTheSettingsAndTempo) {
    TrackPlayerSet set;
    set.output_rate = 22050;
    set.mix_volume = 0.5f;
    set.resample_mode = 2;
    set.ramp_enabled = false;
    set.ramp_ms = -1.0f;
    ASSERT_TRUE(set.resize(1));
    TrackPlayer* first = set.at(0);
    first->set_beat(4);
    first->set_bpm(150.0f);
    first->volume = 12.0f;
    ASSERT_TRUE(set.resize(3));
    EXPECT_EQ(set.at(0), first) << "an existing player keeps its address and voice";
    EXPECT_FLOAT_EQ(set.at(0)->volume, 12.0f);
    for (uint32_t i = 1; i < 3; ++i) {
        SCOPED_TRACE(i);
        const TrackPlayer& p = *set.at(i);
        EXPECT_EQ(p.output_rate, 22050u);
        EXPECT_TRUE(p.pitch_dirty);
        EXPECT_FLOAT_EQ(p.mix_volume, 0.5f);
        EXPECT_EQ(p.resample_mode, 2u);
        EXPECT_FALSE(p.ramp_enabled);
        EXPECT_EQ(p.ramp_ms, 0.0f);
        EXPECT_FLOAT_EQ(p.bpm, 150.0f);
        EXPECT_EQ(p.beat, 4u);
        EXPECT_FALSE(p.fixed_tick_rate);
        EXPECT_EQ(p.frames_per_tick, first->frames_per_tick);
    }
    EXPECT_EQ(set.at(3), nullptr);
    set.at(2)->volume = 7.0f;
    set.at(2)->bpm = 60.0f;
    ASSERT_TRUE(set.resize(1));
    EXPECT_EQ(set.at(0), first);
    EXPECT_EQ(set.at(1), nullptr);
    ASSERT_TRUE(set.resize(3));
    EXPECT_FLOAT_EQ(set.at(2)->volume, 255.0f) << "a player dropped and added again is new";
    EXPECT_FLOAT_EQ(set.at(2)->bpm, 150.0f);
    ASSERT_TRUE(set.resize(1));
    ASSERT_TRUE(set.resize(0));
    EXPECT_EQ(set.count, 0u);
    EXPECT_EQ(set.at(0), nullptr);
}

TEST(PlayerSet, BindingRefusesMissingTracksAndArrays) {
    Pattern pattern;
    TrackPlayer player;
    EXPECT_FALSE(bind_player(pattern, &player, 0)) << "no arrays";
    ASSERT_TRUE(pattern.allocate(4, 2));
    EXPECT_FALSE(bind_player(pattern, nullptr, 0));
    EXPECT_FALSE(bind_player(pattern, &player, 2));
    pattern.beat = 4;
    EXPECT_TRUE(bind_player(pattern, &player, 1));
    EXPECT_EQ(player.cells, pattern.cells[1].get());
    EXPECT_EQ(player.row_count, 4u);
    EXPECT_EQ(player.beat, 4u);
}

// The players of a module that has been moved refer to the old module's samples: they are
// rebuilt instead of followed.
TEST(PlayerSet, MovedModuleRebuildsItsPlayers) {
    Module a;
    build_song(a, {{2, 1}}, {0});
    put_cell(a, 0, 0, 0, note(37));
    ASSERT_EQ(a.render(nullptr, 100), 100);
    Module b = std::move(a);
    EXPECT_EQ(b.render(nullptr, 100), 100);
    EXPECT_EQ(b.players.sample_list, &b.samples);
    EXPECT_EQ(b.players.at(0)->samples, &b.samples);
}

}  // namespace
}  // namespace tarnwick
