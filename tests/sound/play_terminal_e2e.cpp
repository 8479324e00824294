// qarvel play in a real terminal (tmux): the screen, and keys that pause, seek and skip, with
// what the sound server was given checked against the rendered songs; and the terminal given
// back as it was after q, Ctrl-C, SIGTERM and a crash.

#include <chrono>
#include <regex>
#include <thread>

#include "tests/sound/sound_session.h"

namespace tarnwick::sound_test {
namespace {

using namespace std::chrono_literals;

// One tmux server of the test's own, running one shell command in a window of 100 x 30.
class Tmux {
  public:
    Tmux(const std::filesystem::path& dir, const std::string& command)
        : socket_((dir / "tmux.sock").string()) {
        tmux("-f /dev/null new-session -d -s play -x 100 -y 30 " + quote(command));
    }
    ~Tmux() { tmux("kill-server"); }

    void keys(const std::string& names) { tmux("send-keys -t play " + names); }
    std::string screen() const {
        const std::string out = socket_ + ".capture";
        tmux("capture-pane -p -t play", " >" + quote(out) + " 2>/dev/null");
        return cli_test::read_text(out);
    }
    // Waits up to ten seconds for the screen to match `pattern`; the last screen seen.
    std::string wait_for(const std::string& pattern, bool* found) const {
        const std::regex wanted(pattern);
        std::string shown;
        for (auto until = std::chrono::steady_clock::now() + 10s;
             std::chrono::steady_clock::now() < until; std::this_thread::sleep_for(50ms)) {
            shown = screen();
            if (std::regex_search(shown, wanted)) {
                *found = true;
                return shown;
            }
        }
        *found = false;
        return shown;
    }

    static std::string quote(const std::string& s) {
        std::string out = "'";
        for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return out + "'";
    }

  private:
    int tmux(const std::string& args, const std::string& output = " >/dev/null 2>&1") const {
        return std::system(
            (std::string(TARNWICK_TMUX) + " -S " + quote(socket_) + " " + args + output).c_str());
    }
    std::string socket_;
};

class TerminalPlay : public SoundSession {
  protected:
    void SetUp() override {
        SoundSession::SetUp();
        if (!std::getenv("TERM")) setenv("TERM", "xterm", 1);
        scratch_.put("demo.dmf", demo_);
        scratch_.put("two.dmf", plugin_test::two_track_song().build());
    }
    // qarvel with `args` in the scratch folder; afterwards its status and the terminal's
    // settings are written to files there.
    std::string command(const std::string& args) {
        const std::string dir = Tmux::quote(scratch_.dir().string());
        // The shell around qarvel ignores Ctrl-C, so that it still reports what qarvel did.
        return "trap '' INT; cd " + dir + " && XDG_CONFIG_HOME=" + dir + "/config sh -c 'echo $$ > pid; exec " +
               TARNWICK_QARVEL_PATH + " " + args + "'; echo $? > status; stty -a > stty; sleep 60";
    }
    // Waits for the command to finish; its exit status, or -1.
    int wait_for_exit() {
        for (int i = 0; i < 200; ++i) {
            const std::string status = cli_test::read_text(scratch_.path("status"));
            if (!status.empty() && std::filesystem::exists(scratch_.path("stty"))) {
                std::this_thread::sleep_for(100ms);  // stty's output complete
                return std::stoi(status);
            }
            std::this_thread::sleep_for(50ms);
        }
        return -1;
    }
    // Whether the terminal is back in line mode with echo.
    bool terminal_restored() {
        const std::string stty = cli_test::read_text(scratch_.path("stty"));
        return std::regex_search(stty, std::regex("(^|\\s)icanon(\\s|$)")) &&
               std::regex_search(stty, std::regex("(^|\\s)echo(\\s|$)"));
    }
};

TEST_F(TerminalPlay, KeysPauseSeekAndSkipWhatTheServerIsGiven) {
    const Frames demo = reference("demo.dmf");
    const Frames two = reference("two.dmf");
    Recorder recorder(scratch_.path("recorded.f32"));
    Tmux terminal(scratch_.dir(), command("play demo.dmf two.dmf --rate 44100"));
    bool ok = false;

    std::string shown = terminal.wait_for("0:01 / 0:34.*\\n(.*\\n)*.*playing", &ok);
    ASSERT_TRUE(ok) << shown;
    EXPECT_NE(shown.find("1/2  demo.dmf"), std::string::npos) << shown;
    EXPECT_NE(shown.find("Title:   Tarnwick Demo"), std::string::npos) << shown;
    EXPECT_NE(shown.find("Artist:  tarnwick    Tracker: TARNWICK"), std::string::npos) << shown;
    EXPECT_NE(shown.find("44100 Hz  linear  volume 0.25  ramp light  loop off"),
              std::string::npos)
        << shown;
    EXPECT_TRUE(std::regex_search(shown, std::regex("L \\[#+-*\\] -\\d"))) << shown;

    terminal.keys("Space");
    const std::string paused = terminal.wait_for("Underruns: 0 +paused", &ok);
    ASSERT_TRUE(ok) << paused;
    std::this_thread::sleep_for(1s);
    const std::string still = terminal.screen();
    EXPECT_EQ(still.substr(0, still.find("Settings")), paused.substr(0, paused.find("Settings")))
        << "the clock moved while paused";
    terminal.keys("Space");
    terminal.wait_for("playing", &ok);
    std::this_thread::sleep_for(1s);

    terminal.keys("Right");
    shown = terminal.wait_for("0:1[2-9] / 0:34.*\\n(.*\\n)*.*playing", &ok);
    EXPECT_TRUE(ok) << shown;
    std::this_thread::sleep_for(1s);

    terminal.keys("n");
    shown = terminal.wait_for("2/2  two.dmf(.*\\n)*.*playing", &ok);
    ASSERT_TRUE(ok) << shown;
    EXPECT_NE(shown.find("1/2 demo.dmf: \"Tarnwick Demo\" by tarnwick, played 0:1"),
              std::string::npos)
        << shown;
    EXPECT_NE(shown.find("Title:   two tracks"), std::string::npos) << shown;
    std::this_thread::sleep_for(1s);

    terminal.keys("q");
    EXPECT_EQ(wait_for_exit(), 0) << terminal.screen();
    EXPECT_TRUE(terminal_restored()) << cli_test::read_text(scratch_.path("stty"));
    const Matching m = match_recording(recorder.stop(), {demo, two});

    // Heard: the demo song up to the pause, from there on after it, from ten seconds further
    // after the seek, then the second song from its start.
    ASSERT_EQ(m.stretches.size(), 4u);
    const Stretch& before_pause = m.stretches[0];
    const Stretch& after_pause = m.stretches[1];
    const Stretch& after_seek = m.stretches[2];
    const Stretch& next_song = m.stretches[3];
    EXPECT_EQ(before_pause.reference, 0u);
    EXPECT_EQ(before_pause.reference_at, 0u);
    EXPECT_GT(before_pause.frames, size_t{kRate});
    EXPECT_EQ(after_pause.reference, 0u);
    EXPECT_EQ(after_pause.reference_at, before_pause.frames);
    EXPECT_GE(after_pause.recorded_at - (before_pause.recorded_at + before_pause.frames),
              size_t{kRate} * 9 / 10)
        << "a second of pause is a second of silence";
    EXPECT_EQ(after_seek.reference, 0u);
    EXPECT_EQ(after_seek.reference_at, after_pause.reference_at + after_pause.frames + 10 * kRate);
    EXPECT_EQ(next_song.reference, 1u);
    EXPECT_EQ(next_song.reference_at, 0u);
    EXPECT_GT(next_song.frames, size_t{kRate} / 2);
    EXPECT_EQ(m.unmatched_frames, 0u);
}

TEST_F(TerminalPlay, CtrlCSigtermAndACrashGiveTheTerminalBack) {
    struct Case {
        std::string how;
        int signal;  // what qarvel is sent (0: the key)
        int status;  // a crash still ends by its signal, after the terminal is back
    };
    for (const Case& c : {Case{"C-c", 0, 128 + SIGINT}, Case{"SIGTERM", SIGTERM, 128 + SIGTERM},
                          Case{"SIGSEGV", SIGSEGV, 128 + SIGSEGV}}) {
        SCOPED_TRACE(c.how);
        std::filesystem::remove(scratch_.path("status"));
        std::filesystem::remove(scratch_.path("stty"));
        Tmux terminal(scratch_.dir(), command("play demo.dmf"));
        bool ok = false;
        const std::string shown = terminal.wait_for("playing", &ok);
        ASSERT_TRUE(ok) << shown;
        if (c.signal == 0) {
            terminal.keys(c.how);
        } else {
            const std::string pid = cli_test::read_text(scratch_.path("pid"));
            ASSERT_EQ(kill(std::stoi(pid), c.signal), 0);
        }
        EXPECT_EQ(wait_for_exit(), c.status);
        EXPECT_TRUE(terminal_restored()) << cli_test::read_text(scratch_.path("stty"));
    }
}

}  // namespace
}  // namespace tarnwick::sound_test
