// qarvel play through a real sound server: what the server was given equals what `qarvel
// render` writes for the same song and settings, frame for frame, also from --start on; a
// folder plays its songs in order without a gap and reports the one the plug-in refuses;
// without a device the player says why in one line; options out of range are refused.

#include "tests/sound/sound_session.h"
#include "tests/support/settings_record.h"

namespace tarnwick::sound_test {
namespace {

constexpr double kSeconds = 2.5;
constexpr size_t kFrames = static_cast<size_t>(kSeconds * kRate);

TEST_F(SoundSession, WhatTheServerIsGivenEqualsTheRenderedSong) {
    struct Case {
        std::string song;
        std::vector<std::string> settings;
        std::vector<std::string> start;  // play's --start, and where in the song that is
        size_t from;
    };
    scratch_.put("demo.dmf", demo_);
    scratch_.put("two.dmf", plugin_test::two_track_song().build());
    const std::vector<Case> cases = {
        {"demo.dmf", {}, {"--start", "0:05.5"}, kRate * 11 / 2},
        {"two.dmf", {"--mode", "cubic", "--volume", "0.4", "--ramp", "heavy"}, {}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.song);
        const Frames expected = reference(c.song, c.settings);
        Recorder recorder(scratch_.path("recorded.f32"));
        ASSERT_TRUE(recorder.started());
        std::vector<std::string> args = {
            "play", c.song, "--rate", std::to_string(kRate), "--seconds", std::to_string(kSeconds)};
        args.insert(args.end(), c.settings.begin(), c.settings.end());
        args.insert(args.end(), c.start.begin(), c.start.end());
        const cli_test::RunResult played = scratch_.run(args);
        const Matching m = match_recording(recorder.stop(), {expected});
        EXPECT_EQ(played.status, 0) << played.err;
        EXPECT_NE(played.err.find(", 0 underruns"), std::string::npos) << played.err;
        ASSERT_EQ(m.stretches.size(), 1u) << played.err << describe(m);
        EXPECT_EQ(m.stretches[0].reference_at, c.from);
        EXPECT_EQ(m.stretches[0].frames, kFrames);
        EXPECT_EQ(m.unmatched_frames, 0u);
    }
}

TEST_F(SoundSession, AFolderPlaysItsSongsGaplessInOrderAndReportsTheRefusedOne) {
    std::filesystem::create_directories(scratch_.path("list/more"));
    scratch_.put("list/a.dmf", plugin_test::two_track_song().build());
    scratch_.put("list/more/b.dmf", demo_);
    scratch_.put("list/bad.dmf", {'D', 'D', 'M', 'F', ' ', 'n', 'o', ' ', 's', 'o', 'n', 'g'});
    // One song's last frame is followed by the next one's first: the two renders, each cut
    // after a second as --seconds cuts it, one after the other.
    Frames both = reference("list/a.dmf");
    const Frames b = reference("list/more/b.dmf");
    both.resize(2 * kRate);
    both.insert(both.end(), b.begin(), b.begin() + 2 * kRate);

    Recorder recorder(scratch_.path("recorded.f32"));
    const cli_test::RunResult played =
        scratch_.run({"list", "--rate", std::to_string(kRate), "--seconds", "1"});
    const Matching m = match_recording(recorder.stop(), {both});

    EXPECT_EQ(played.status, 2);
    const std::vector<std::string> lines = played.err_lines();
    ASSERT_EQ(lines.size(), 3u) << played.err;
    EXPECT_EQ(lines[0].rfind("qarvel: 1/3 list/a.dmf: \"two tracks\"", 0), 0u) << lines[0];
    EXPECT_EQ(lines[1].rfind("qarvel: 2/3 list/bad.dmf: refused by the plug-in", 0), 0u) << lines[1];
    EXPECT_EQ(lines[2].rfind("qarvel: 3/3 list/more/b.dmf: \"Tarnwick Demo\" by tarnwick, played 0:01", 0),
              0u)
        << lines[2];
    ASSERT_EQ(m.stretches.size(), 1u) << describe(m);
    EXPECT_EQ(m.stretches[0].reference_at, 0u);
    EXPECT_EQ(m.stretches[0].frames, 2 * size_t{kRate});
    EXPECT_EQ(m.unmatched_frames, 0u);
}

TEST_F(SoundSession, WithoutADeviceThePlayerSaysWhyInOneLineAndExitsWithTwo) {
    struct Case {
        std::string server;
        std::vector<std::string> args;
        std::string says;
    };
    const std::string here = std::getenv("PULSE_SERVER");
    const std::vector<Case> cases = {
        {"unix:/nonexistent/native", {"play"}, "qarvel: no audio output: "},
        {here, {"play", "--device", "no such device"}, "qarvel: cannot open the audio device: "},
    };
    for (const Case& c : cases) {
        setenv("PULSE_SERVER", c.server.c_str(), 1);
        const cli_test::RunResult r = scratch_.run(c.args);
        EXPECT_EQ(r.status, 2) << r.err;
        const std::vector<std::string> lines = r.err_lines();
        ASSERT_EQ(lines.size(), 1u) << r.err;
        EXPECT_EQ(lines[0].rfind(c.says, 0), 0u) << lines[0];
        EXPECT_GT(lines[0].size(), c.says.size()) << "the library's reason is missing";
    }
}

TEST_F(SoundSession, OptionsOutOfRangeAreRefusedSayingWhatIsAllowed) {
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string says;
    };
    const std::vector<Case> cases = {
        {{"play", "--volume", "1.5"},
         1,
         "--volume: 1.5 is outside the mixing volume's range, 0.1 to 1.0"},
        {{"play", "--volume", "0.05"}, 1, "--volume: 0.05 is outside"},
        {{"render", "--volume", "50", "-o", "x.wav"}, 1, "--volume: 50 is outside"},
        {{"play", "--rate", "20"},
         1,
         "--rate: 20 Hz cannot be played: sound devices play 8000 Hz and up"},
        {{"play", "--start", "1:99"}, 1, "--start: not a time (SECONDS, M:SS or H:MM:SS): 1:99"},
        {{"--config", "low.settings", "play"}, 2, "cannot play at 20 Hz (the settings' rate)"},
        {{"play", "--start", "9:00"},
         2,
         "1/1 demo.dmf: --start 9:00 is past the song's end (0:34)"},
        {{"play", "--help"}, 0, "  h / ?       show / hide the keys\n  q           quit\n"},
    };
    scratch_.put("low.settings", test::settings_record("srate", 20));
    for (const Case& c : cases) {
        const cli_test::RunResult r = scratch_.run(c.args);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_NE((r.err + r.out).find(c.says), std::string::npos) << r.err << r.out;
    }
    EXPECT_FALSE(std::filesystem::exists(scratch_.path("x.wav")));
}

}  // namespace
}  // namespace tarnwick::sound_test
