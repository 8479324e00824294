#pragma once
// A test's way to the sound server that the ctest fixture started (sound_server.sh): the
// environment that sends qarvel's SDL2 output and parec to it, a scratch folder with the
// test songs, and references rendered by `qarvel render --format f32`.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/cli_e2e/qarvel_run.h"
#include "tests/plugin/plugin_songs.h"
#include "tests/sound/recorded_sound.h"

namespace tarnwick::sound_test {

class SoundSession : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::string server = std::string("unix:") + TARNWICK_SOUND_SERVER_DIR + "/native";
        setenv("PULSE_SERVER", server.c_str(), 1);
        setenv("SDL_AUDIODRIVER", "pulseaudio", 1);
        // Under the sanitizers: a leak inside the sound libraries is theirs, not the player's.
        setenv("LSAN_OPTIONS",
               "print_suppressions=0:suppressions=" TARNWICK_SOUND_LSAN_SUPPRESSIONS, 1);
        // The server must be there: a test that cannot reach it fails, it does not skip.
        ASSERT_EQ(std::system("pactl info >/dev/null 2>&1"), 0)
            << "no sound server at " << server << " (the sound.server_start fixture)";
        std::ifstream demo(TARNWICK_SHIPPED_DEMO, std::ios::binary);
        demo_ = writer::Bytes((std::istreambuf_iterator<char>(demo)), {});
        ASSERT_FALSE(demo_.empty());
    }

    // `song` rendered with `options` (at the sink's rate) as the player would decode it.
    Frames reference(const std::string& song, std::vector<std::string> options = {}) {
        const std::string out = song + ".ref.f32";
        std::vector<std::string> args = {"render", song,     "--format",
                                         "f32",    "--rate", std::to_string(kRate),
                                         "-o",     out,      "--force"};
        args.insert(args.end(), options.begin(), options.end());
        const cli_test::RunResult r = scratch_.run(args);
        EXPECT_EQ(r.status, 0) << r.err;
        return read_frames(scratch_.path(out));
    }

    cli_test::Scratch scratch_;
    writer::Bytes demo_;
};

}  // namespace tarnwick::sound_test
