// The player's decisions that need no device: which bytes are which key, which files a
// folder stands for and in what order, where the volume keys move the volume, and when a
// command line without a command plays.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>

#include "qarvel/play/implied_play.h"
#include "qarvel/play/play_settings.h"
#include "qarvel/play/player_keys.h"
#include "qarvel/play/player_screen.h"
#include "qarvel/play/playlist.h"

namespace qarvel_cli {
namespace {

using K = PlayerKey;

TEST(PlayerKeys, BytesFromATerminalBecomeTheKeysTheyStandFor) {
    struct Case {
        std::vector<std::string> chunks;  // as read, one read at a time
        std::vector<K> keys;
    };
    const std::vector<Case> cases = {
        {{" nplq"}, {K::pause, K::next_song, K::previous_song, K::toggle_loop, K::quit}},
        {{"h?H"}, {K::help, K::help, K::help}},
        {{"+=-_"}, {K::volume_up, K::volume_up, K::volume_down, K::volume_down}},
        {{"\x1b[A\x1b[B\x1b[C\x1b[D"},
         {K::forward_long, K::back_long, K::forward_short, K::back_short}},
        {{"\x1bOC\x1bOD"}, {K::forward_short, K::back_short}},  // application cursor mode
        {{"\x1b[1;5C"}, {K::forward_short}},                    // with a modifier
        {{"\x1b", "[", "C"}, {K::forward_short}},               // split over three reads
        {{"x\x1b[H\x1b[5~z "}, {K::pause}},                     // no keys of ours
        {{"\x1bq"}, {K::quit}},                                 // a lone escape, then q
    };
    for (const Case& c : cases) {
        KeyDecoder decoder;
        std::vector<K> keys;
        for (const std::string& chunk : c.chunks) {
            for (K k : decoder.feed(chunk)) keys.push_back(k);
        }
        EXPECT_EQ(keys, c.keys) << ::testing::PrintToString(c.chunks);
    }
}

class PlaylistFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = std::filesystem::temp_directory_path() /
                ("qarvel-playlist-" + std::to_string(std::random_device{}()));
        std::filesystem::remove_all(root_);
        for (const char* name : {"b.dmf", "a.DMF", "notes.txt", "sub/c.dmf", "sub/deeper/d.Dmf"}) {
            std::filesystem::create_directories((root_ / name).parent_path());
            std::ofstream(root_ / name) << "x";
        }
    }
    void TearDown() override { std::filesystem::remove_all(root_); }
    std::string at(const std::string& name) const { return (root_ / name).string(); }
    std::filesystem::path root_;
};

TEST_F(PlaylistFolder, FoldersBecomeTheirSongsSortedAndRecursiveFilesStayAsGiven) {
    std::vector<std::string> problems;
    const std::vector<std::string> songs =
        expand_song_inputs({at("notes.txt"), root_.string(), "missing.dmf"}, &problems);
    const std::vector<std::string> expected = {
        at("notes.txt"),        at("a.DMF"),  at("b.dmf"), at("sub/c.dmf"),
        at("sub/deeper/d.Dmf"), "missing.dmf"};
    EXPECT_EQ(songs, expected);
    EXPECT_TRUE(problems.empty());
    EXPECT_EQ(expand_song_inputs({}, &problems), std::vector<std::string>{""});  // the demo song
}

TEST(Playlist, MovesOnAndBackAndRepeatsOnlyWhenAsked) {
    Playlist once({"a", "b"}, false, false, 0);
    once.go_back();
    EXPECT_EQ(once.current(), "a");
    EXPECT_TRUE(once.advance());
    EXPECT_EQ(once.current(), "b");
    EXPECT_FALSE(once.advance());

    EXPECT_EQ(once.before(0), std::nullopt);

    Playlist repeating({"a", "b"}, false, true, 0);
    repeating.advance();
    EXPECT_TRUE(repeating.advance());
    EXPECT_EQ(repeating.current(), "a");
    EXPECT_EQ(repeating.after(1), 0u);
    EXPECT_EQ(repeating.before(0), std::nullopt);
}

TEST(Playlist, ShuffleIsAPermutationFixedByItsSeed) {
    const std::vector<std::string> songs = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};
    const auto order = [&](uint64_t seed) {
        Playlist list(songs, true, false, seed);
        std::vector<std::string> out = {list.current()};
        while (list.advance()) out.push_back(list.current());
        return out;
    };
    std::vector<std::string> shuffled = order(7);
    EXPECT_EQ(shuffled, order(7));
    EXPECT_NE(shuffled, songs);
    std::sort(shuffled.begin(), shuffled.end());
    EXPECT_EQ(shuffled, songs);
}

TEST(PlaySettings, VolumeKeysStepOnTheGridWithinThePagesRange) {
    struct Case {
        int32_t from;
        int steps;
        int32_t to;
    };
    for (const Case c :
         {Case{250, 1, 300}, Case{250, -1, 200}, Case{275, 1, 300}, Case{275, -1, 250},
          Case{1000, 1, 1000}, Case{100, -1, 100}, Case{50, -1, 100}, Case{5000, 1, 1000}}) {
        PlaySettings s;
        s.volume = c.from;
        s.step_volume(c.steps);
        EXPECT_EQ(s.volume, c.to) << c.from << " " << c.steps;
    }
}

TEST(PlaySettings, VolumeAndStartAreRefusedOnlyOutsideWhatThePageAndTheSongAllow) {
    for (double v : {0.1, 0.25, 1.0}) EXPECT_TRUE(volume_in_page_range(v)) << v;
    for (double v : {0.0, 0.0999, 1.0001, 50.0}) EXPECT_FALSE(volume_in_page_range(v)) << v;
    // Lengths are whole seconds: a song of "0 seconds" still plays from the start, and a
    // start inside the last, partial second is not refused.
    EXPECT_FALSE(start_past_song_end(0.0, 0.0, false));
    EXPECT_FALSE(start_past_song_end(34.5, 34.0, false));
    EXPECT_TRUE(start_past_song_end(35.0, 34.0, false));
    EXPECT_FALSE(start_past_song_end(540.0, 34.0, true));
}

TEST(PlayerScreen, EveryLineFitsFrom40To200ColumnsAndKeepsWhatMatters) {
    PlayerView view;
    view.position = 12;
    view.count = 140;
    view.name = "songs/a folder with a long name/" + std::string(150, 'x') + "/the song.dmf";
    view.title = "A title \x1b[2J with an escape " + std::string(200, 't');
    view.artist = "someone";
    view.tracker = "X-Tracker";
    view.elapsed_seconds = 3725.0;
    view.length_seconds = 7322.0;
    view.settings = "1000000 Hz  nearest  volume 0.25  ramp 8.123 ms";
    view.peak_left = 1.5f;
    view.peak_right = 0.001f;
    view.clipping = true;
    view.repeat = true;
    view.state = "seeking to 1:02:05 (decoding forward) ...";
    for (const bool keys : {false, true}) {
        view.keys_shown = keys;
        for (size_t width : {40u, 59u, 60u, 80u, 120u, 200u}) {
            SCOPED_TRACE(width);
            const std::vector<std::string> lines = player_screen_lines(view, width);
            ASSERT_EQ(lines.size(), keys ? 8u + std::size(kKeyHelp) : 9u);
            for (const std::string& line : lines) {
                EXPECT_LT(line.size(), width) << line;
                EXPECT_EQ(line.find('\x1b'), std::string::npos) << line;
            }
            if (width < 60) continue;  // from 60 columns on, nothing that matters is cut
            EXPECT_EQ(lines[0].rfind("12/140  ...", 0), 0u) << lines[0];
            EXPECT_TRUE(lines[0].ends_with("/the song.dmf")) << lines[0];
            EXPECT_TRUE(lines[3].starts_with("1:02:05 / 2:02:02  [#") && lines[3].ends_with("-]"));
            EXPECT_NE(lines[4].find("]  +3.5 dB   R [--"), std::string::npos) << lines[4];
            EXPECT_TRUE(lines[4].ends_with("]     -inf CLIP")) << lines[4];
            EXPECT_EQ(lines[5], view.settings);
            EXPECT_EQ(lines[6], "loop off  shuffle off  repeat on");
            EXPECT_EQ(lines[7], "Underruns: 0    " + view.state);
            if (keys) {
                EXPECT_EQ(lines.back(), kKeyHelp[std::size(kKeyHelp) - 1]);
            }
        }
    }
}

TEST(ImpliedPlay, ACommandLineWithoutACommandPlays) {
    using Args = std::vector<std::string>;
    struct Case {
        Args in;
        Args out;
    };
    const std::vector<Case> cases = {
        {{"song.dmf"}, {"play", "song.dmf"}},
        {{"--edition", "sse", "a.dmf", "b"}, {"--edition", "sse", "play", "a.dmf", "b"}},
        {{"--config=x", "--shuffle", "."}, {"--config=x", "play", "--shuffle", "."}},
        {{"SONG.DMF", "x"}, {"play", "SONG.DMF", "x"}},
        {{"frobnicate"}, {"frobnicate"}},  // an unknown command, not a song
        {{"--shuffle", "nothing"}, {"--shuffle", "nothing"}},
        {{"render", "a.dmf"}, {"render", "a.dmf"}},
        {{"--plugin", "p.so", "info"}, {"--plugin", "p.so", "info"}},
        {{"--help"}, {"--help"}},
        {{}, {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(with_implied_play(c.in), c.out) << ::testing::PrintToString(c.in);
    }
}

}  // namespace
}  // namespace qarvel_cli
