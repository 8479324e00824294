// qarvel play in a real terminal (tmux): the screen, and keys that pause, seek and skip, with
// what the sound server was given checked against the rendered songs; the screen read back at
// 60 columns and at a wide terminal after n, p and resizes; and every way out quick at the
// lowest rate, with the terminal given back as it was after q, Ctrl-C, SIGTERM and a crash.

#include <algorithm>
#include <chrono>
#include <functional>
#include <sstream>
#include <thread>

#include "tests/sound/sound_session.h"

namespace tarnwick::sound_test {
namespace {

using namespace std::chrono_literals;

// One tmux server of the test's own, running one shell command in a window of `width` x 30.
class Tmux {
  public:
    Tmux(const std::filesystem::path& dir, const std::string& command, int width = 100)
        : socket_((dir / ("tmux" + std::to_string(++servers_) + ".sock")).string()) {
        tmux("-f /dev/null new-session -d -s play -x " + std::to_string(width) + " -y 30 " +
             quote(command));
    }
    ~Tmux() { tmux("kill-server"); }

    void keys(const std::string& names) { tmux("send-keys -t play " + names); }
    void resize(int width) { tmux("resize-window -t play -x " + std::to_string(width)); }
    // Whether the program in the window reads keys: its terminal is out of line mode.
    bool raw() const {
        const std::string out = socket_ + ".stty";
        tmux("display -p -t play '#{pane_tty}' | xargs -I{} stty -F {} -a",
             " >" + quote(out) + " 2>/dev/null");
        return cli_test::read_text(out).find("-icanon") != std::string::npos;
    }
    // What the window shows; `joined`: wrapped lines joined into one.
    std::string screen(bool joined = false) const {
        const std::string out = socket_ + ".capture";
        tmux(std::string("capture-pane -p ") + (joined ? "-J " : "") + "-t play",
             " >" + quote(out) + " 2>/dev/null");
        return cli_test::read_text(out);
    }
    // Waits up to ten seconds for a screen that `wanted` accepts; the last screen seen.
    std::string wait_for(const std::function<bool(const std::string&)>& wanted, bool* found,
                         bool joined = false) const {
        std::string shown;
        for (auto until = std::chrono::steady_clock::now() + 10s;
             std::chrono::steady_clock::now() < until; std::this_thread::sleep_for(50ms)) {
            shown = screen(joined);
            if (wanted(shown)) {
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
    static inline int servers_ = 0;  // each its own socket: an old one may still be closing
    std::string socket_;
};

bool has(const std::string& screen, const std::string& text) {
    return screen.find(text) != std::string::npos;
}

// The elapsed seconds of the screen's "m:ss / m:ss" line, or -1.
int elapsed_seconds(const std::string& screen) {
    const size_t slash = screen.find(" / ");
    if (slash == std::string::npos) return -1;
    const size_t line = screen.rfind('\n', slash);
    int minutes = 0;
    int seconds = 0;
    const std::string clock = screen.substr(line == std::string::npos ? 0 : line + 1);
    if (std::sscanf(clock.c_str(), "%d:%d / ", &minutes, &seconds) != 2) return -1;
    return 60 * minutes + seconds;
}

// A screen that shows `state` at `at_least` seconds or later.
std::function<bool(const std::string&)> showing(const std::string& state, int at_least = 0) {
    return [=](const std::string& screen) {
        return has(screen, "Underruns: 0    " + state) && elapsed_seconds(screen) >= at_least;
    };
}

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
        return "trap '' INT; cd " + dir + " && XDG_CONFIG_HOME=" + dir +
               "/config sh -c 'echo $$ > pid; exec " + TARNWICK_QARVEL_PATH + " " + args +
               "'; echo $? > status; stty -a > stty; sleep 60";
    }
    // Waits for the command to finish; its exit status, or -1. `took`: how long qarvel took.
    int wait_for_exit(std::chrono::steady_clock::duration* took = nullptr) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < 200; ++i) {
            const std::string status = cli_test::read_text(scratch_.path("status"));
            if (took != nullptr && !status.empty() && *took == took->zero()) {
                *took = std::chrono::steady_clock::now() - start;
            }
            if (!status.empty() && std::filesystem::exists(scratch_.path("stty"))) {
                std::this_thread::sleep_for(100ms);  // stty's output complete
                return std::stoi(status);
            }
            std::this_thread::sleep_for(50ms);
        }
        return -1;
    }
    // Whether the terminal is back in line mode with echo ("icanon" and "echo", not
    // "-icanon" and "-echo", among the words stty printed).
    bool terminal_restored() {
        std::istringstream stty(cli_test::read_text(scratch_.path("stty")));
        bool icanon = false;
        bool echo = false;
        for (std::string word; stty >> word;) {
            icanon = icanon || word == "icanon";
            echo = echo || word == "echo";
        }
        return icanon && echo;
    }
};

TEST_F(TerminalPlay, KeysPauseSeekAndSkipWhatTheServerIsGiven) {
    const Frames demo = reference("demo.dmf");
    const Frames two = reference("two.dmf");
    Recorder recorder(scratch_.path("recorded.f32"));
    Tmux terminal(scratch_.dir(), command("play demo.dmf two.dmf --rate 44100"));
    bool ok = false;

    std::string shown = terminal.wait_for(showing("playing", 1), &ok);
    ASSERT_TRUE(ok) << shown;
    EXPECT_NE(shown.find("1/2  demo.dmf"), std::string::npos) << shown;
    EXPECT_NE(shown.find("Title:   Tarnwick Demo"), std::string::npos) << shown;
    EXPECT_NE(shown.find("Artist:  tarnwick    Tracker: TARNWICK"), std::string::npos) << shown;
    EXPECT_NE(shown.find("44100 Hz  linear  volume 0.25  ramp light\nloop off  shuffle off  "
                         "repeat off\n"),
              std::string::npos)
        << shown;
    EXPECT_TRUE(has(shown, "L [#") && has(shown, " dB   R [#")) << "level meters: " << shown;
    EXPECT_TRUE(has(shown, " / 0:34  [#")) << shown;

    terminal.keys("Space");
    const std::string paused = terminal.wait_for(showing("paused"), &ok);
    ASSERT_TRUE(ok) << paused;
    std::this_thread::sleep_for(1s);
    const std::string still = terminal.screen();
    EXPECT_EQ(still.substr(0, still.find("Settings")), paused.substr(0, paused.find("Settings")))
        << "the clock moved while paused";
    terminal.keys("Space");
    terminal.wait_for(showing("playing"), &ok);
    std::this_thread::sleep_for(1s);

    terminal.keys("Right");
    shown = terminal.wait_for(showing("playing", 12), &ok);
    EXPECT_TRUE(ok) << shown;
    std::this_thread::sleep_for(1s);

    terminal.keys("n");
    shown = terminal.wait_for(
        [](const std::string& screen) {
            return has(screen, "2/2  two.dmf") && showing("playing")(screen);
        },
        &ok);
    ASSERT_TRUE(ok) << shown;
    EXPECT_NE(shown.find("1/2 demo.dmf: \"Tarnwick Demo\" by tarnwick, played 0:1"),
              std::string::npos)
        << shown;
    EXPECT_NE(shown.find("Title:   two tracks"), std::string::npos) << shown;
    terminal.keys("?");
    shown = terminal.wait_for(
        [](const std::string& screen) {
            return has(screen, "\nh / ?       show / hide the keys\n");
        },
        &ok);
    EXPECT_TRUE(ok) << shown;
    std::this_thread::sleep_for(1s);

    terminal.keys("q");
    EXPECT_EQ(wait_for_exit(), 0) << terminal.screen();
    EXPECT_TRUE(terminal_restored()) << cli_test::read_text(scratch_.path("stty"));
    const Matching m = match_recording(recorder.stop(), {demo, two});

    // Heard: the demo song up to the pause, from there on after it, from ten seconds further
    // after the seek, then the second song from its start.
    ASSERT_EQ(m.stretches.size(), 4u) << describe(m);
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

// A window read with its wrapped lines joined: the messages above the screen, and the screen
// from its last line that starts with `first` on (rows without their trailing blanks).
struct Pane {
    std::vector<std::string> above;
    std::vector<std::string> screen;
};
Pane split_pane(const std::string& text, const std::string& first) {
    std::vector<std::string> rows;
    std::istringstream in(text);
    for (std::string row; std::getline(in, row);) {
        row.erase(row.find_last_not_of(' ') + 1);
        rows.push_back(row);
    }
    while (!rows.empty() && rows.back().empty()) rows.pop_back();
    const auto top = std::find_if(rows.rbegin(), rows.rend(),
                                  [&](const std::string& r) { return r.starts_with(first); });
    if (top == rows.rend()) return {rows, {}};
    return {{rows.begin(), top.base() - 1}, {top.base() - 1, rows.end()}};
}

TEST_F(TerminalPlay, TheScreenFitsAt60AndAtAWideTerminalAfterSkipsAndResizes) {
    std::filesystem::create_directories(scratch_.path("list"));
    scratch_.put("list/a.dmf", plugin_test::two_track_song().build());
    scratch_.put("list/bad.dmf", {'D', 'D', 'M', 'F', ' ', 'n', 'o', ' ', 's', 'o', 'n', 'g'});
    scratch_.put("list/c song with a name long enough to be cut at sixty columns.dmf", demo_);
    Tmux terminal(scratch_.dir(), command("play list --rate 44100"), 60);
    struct Step {
        std::string keys;  // typed first
        int width;
        std::string first;  // how the screen's first line starts, and the title it shows
        std::string title;
    };
    const std::vector<Step> steps = {
        {"", 60, "1/3  list/a.dmf", "two tracks"},
        // The refused song is passed over going forward and going back; the messages above
        // the screen are wider than the terminal.
        {"n", 60, "3/3  ...", "Tarnwick Demo"},
        {"p", 60, "1/3  list/a.dmf", "two tracks"},
        {"", 200, "1/3  list/a.dmf", "two tracks"},
        {"n", 200, "3/3  list/c song with a name long enough", "Tarnwick Demo"},
        {"", 60, "3/3  ...", "Tarnwick Demo"},
    };
    // Above the screen, only whole messages: a song played, or the one refused.
    const auto whole_message = [](const std::string& line) {
        return line.starts_with("qarvel: ") && line.substr(9, 7) == "/3 list" &&
               (line.ends_with(", 0 underruns") || line.ends_with(", or out of memory)"));
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.keys + " at " + std::to_string(step.width));
        if (!step.keys.empty()) terminal.keys(step.keys);
        terminal.resize(step.width);
        // Drawn at this width: its progress bar is as wide as the width allows.
        const size_t progress = 15 + (step.width == 60 ? 38 : 60);
        bool ok = false;
        const Pane pane = split_pane(terminal.wait_for(
                                         [&](const std::string& text) {
                                             const Pane p = split_pane(text, step.first);
                                             return p.screen.size() == 9 &&
                                                    p.screen[1] == "Title:   " + step.title &&
                                                    p.screen[3].size() == progress &&
                                                    has(p.screen[7], "playing");
                                         },
                                         &ok, true),
                                     step.first);
        ASSERT_TRUE(ok) << ::testing::PrintToString(pane.above)
                        << ::testing::PrintToString(pane.screen);
        const std::vector<std::string>& screen = pane.screen;
        EXPECT_TRUE(screen[4].starts_with("L [") && has(screen[4], "   R [")) << screen[4];
        EXPECT_EQ(screen[5], "44100 Hz  linear  volume 0.25  ramp light");
        EXPECT_EQ(screen[6], "loop off  shuffle off  repeat off");
        EXPECT_EQ(screen[8], "space pause  Left/Right seek  n/p song  h keys  q quit");
        for (const std::string& line : screen) {
            EXPECT_LT(line.size(), static_cast<size_t>(step.width)) << line;
        }
        // Nothing of an earlier screen is left above this one.
        for (const std::string& line : pane.above) {
            EXPECT_TRUE(line.empty() || whole_message(line)) << line;
        }
    }
    terminal.keys("q");
    EXPECT_EQ(wait_for_exit(), 2) << terminal.screen();  // a song was refused
}

// Every way out ends the player within a second; a sanitizer's own work at exit (the leak
// check) comes on top.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr auto kWayOut = 2s;
#else
constexpr auto kWayOut = 1s;
#endif

TEST_F(TerminalPlay, EveryWayOutIsQuickAtTheLowestRateAndGivesTheTerminalBack) {
    struct Case {
        std::string how;
        int signal;         // what qarvel is sent (0: the key, -1: nothing, the song ends)
        std::string extra;  // 2>log: no screen, keys all the same
        int status;         // a crash still ends by its signal, after the terminal is back
    };
    for (const Case& c :
         {Case{"q", 0, " 2>log", 0}, Case{"end", -1, " --seconds 1.5", 0},
          Case{"C-c", 0, "", 128 + SIGINT}, Case{"SIGTERM", SIGTERM, "", 128 + SIGTERM},
          Case{"SIGSEGV", SIGSEGV, "", 128 + SIGSEGV}}) {
        SCOPED_TRACE(c.how);
        std::filesystem::remove(scratch_.path("status"));
        std::filesystem::remove(scratch_.path("stty"));
        Tmux terminal(scratch_.dir(), command("play demo.dmf --rate 8000" + c.extra));
        bool ok = false;
        terminal.wait_for([&](const std::string&) { return terminal.raw(); }, &ok);
        ASSERT_TRUE(ok) << "the player never read keys: " << terminal.screen();
        std::this_thread::sleep_for(700ms);  // well into the song
        if (c.signal == 0) {
            terminal.keys(c.how);
        } else if (c.signal > 0) {
            const std::string pid = cli_test::read_text(scratch_.path("pid"));
            ASSERT_EQ(kill(std::stoi(pid), c.signal), 0);
        }
        std::chrono::steady_clock::duration took{};
        EXPECT_EQ(wait_for_exit(&took), c.status);
        EXPECT_LT(took, kWayOut + (c.signal < 0 ? 1s : 0s));  // what is left of the song
        EXPECT_TRUE(terminal_restored()) << cli_test::read_text(scratch_.path("stty"));
        if (c.extra == " 2>log") {
            const std::string log = cli_test::read_text(scratch_.path("log"));
            EXPECT_TRUE(log.starts_with("qarvel: 1/1 demo.dmf: ")) << log;
        }
    }
}

}  // namespace
}  // namespace tarnwick::sound_test
