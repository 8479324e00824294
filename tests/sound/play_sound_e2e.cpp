// qarvel play through a real sound server: what the server was given equals what `qarvel
// render` writes for the same song and settings, frame for frame; a folder plays its songs
// in order and reports the one the plug-in refuses; and without a device the player says why
// in one line.

#include "tests/sound/sound_session.h"

namespace tarnwick::sound_test {
namespace {

constexpr double kSeconds = 2.5;
constexpr size_t kFrames = static_cast<size_t>(kSeconds * kRate);

TEST_F(SoundSession, WhatTheServerIsGivenEqualsTheRenderedSong) {
    struct Case {
        std::string song;
        std::vector<std::string> settings;
    };
    scratch_.put("demo.dmf", demo_);
    scratch_.put("two.dmf", plugin_test::two_track_song().build());
    const std::vector<Case> cases = {
        {"demo.dmf", {}},
        {"two.dmf", {"--mode", "cubic", "--volume", "0.4", "--ramp", "heavy"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.song);
        const Frames expected = reference(c.song, c.settings);
        Recorder recorder(scratch_.path("recorded.f32"));
        ASSERT_TRUE(recorder.started());
        std::vector<std::string> args = {
            "play", c.song, "--rate", std::to_string(kRate), "--seconds", std::to_string(kSeconds)};
        args.insert(args.end(), c.settings.begin(), c.settings.end());
        const cli_test::RunResult played = scratch_.run(args);
        const Matching m = match_recording(recorder.stop(), {expected});
        EXPECT_EQ(played.status, 0) << played.err;
        EXPECT_NE(played.err.find(", 0 underruns"), std::string::npos) << played.err;
        ASSERT_EQ(m.stretches.size(), 1u) << played.err << describe(m);
        EXPECT_EQ(m.stretches[0].reference_at, 0u);
        EXPECT_EQ(m.stretches[0].frames, kFrames);
        EXPECT_EQ(m.unmatched_frames, 0u);
    }
}

TEST_F(SoundSession, AFolderPlaysItsSongsInOrderAndReportsTheRefusedOne) {
    std::filesystem::create_directories(scratch_.path("list/more"));
    scratch_.put("list/a.dmf", plugin_test::two_track_song().build());
    scratch_.put("list/more/b.dmf", demo_);
    scratch_.put("list/bad.dmf", {'D', 'D', 'M', 'F', ' ', 'n', 'o', ' ', 's', 'o', 'n', 'g'});
    const Frames a = reference("list/a.dmf");
    const Frames b = reference("list/more/b.dmf");

    Recorder recorder(scratch_.path("recorded.f32"));
    const cli_test::RunResult played =
        scratch_.run({"list", "--rate", std::to_string(kRate), "--seconds", "1"});
    const Matching m = match_recording(recorder.stop(), {a, b});

    EXPECT_EQ(played.status, 2);
    const std::vector<std::string> lines = played.err_lines();
    ASSERT_EQ(lines.size(), 3u) << played.err;
    EXPECT_EQ(lines[0].rfind("1/3 list/a.dmf: \"two tracks\"", 0), 0u) << lines[0];
    EXPECT_EQ(lines[1].rfind("2/3 list/bad.dmf: refused by the plug-in", 0), 0u) << lines[1];
    EXPECT_EQ(lines[2].rfind("3/3 list/more/b.dmf: \"Tarnwick Demo\" by tarnwick, played 0:01", 0),
              0u)
        << lines[2];
    ASSERT_EQ(m.stretches.size(), 2u) << describe(m);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(m.stretches[i].reference, i);
        EXPECT_EQ(m.stretches[i].reference_at, 0u);
        EXPECT_EQ(m.stretches[i].frames, size_t{kRate});
    }
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

}  // namespace
}  // namespace tarnwick::sound_test
