// qarvel info, prefs and about end to end: the JSON line of a song, the page as text, and what
// prefs set and slide store in the settings file.

#include <gtest/gtest.h>

#include "tests/cli_e2e/qarvel_run.h"
#include "tests/plugin/plugin_songs.h"

namespace tarnwick::cli_test {
namespace {

TEST(QarvelInfo, JsonIsOneLinePerFileWithTagsAndFieldsInOrder) {
    Scratch scratch;
    writer::Song song = plugin_test::two_track_song();
    song.header.composer = "Jo \"Q\" Doe";
    song.header.day = 14;
    song.header.month = 3;
    song.header.year = 125;
    song.message = "a short \\note";
    scratch.put("two.dmf", song.build());
    writer::Bytes bad(40, 0);  // the signature, then nothing the plug-in can take
    std::copy_n("DDMF", 4, bad.begin());
    scratch.put("bad.dmf", bad);

    const RunResult r = scratch.run({"info", "--json", "two.dmf", "bad.dmf"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out,
              "{\"file\": \"two.dmf\", \"length_seconds\": 3, \"tags\": [[\"TITLE\", \"two "
              "tracks\"], [\"ARTIST\", \"Jo \\\"Q\\\" Doe\"], [\"TRACKER_NAME\", \"tarnwick\"], "
              "[\"DATE\", \"2025-3-14\"], [\"COMMENT\", \"a short \\\\note\"], "
              "[\"SMPL00\", \"sine\"], [\"SMPL01\", \"square\"], [\"LIBR00\", \"\"], [\"LIBR01\", "
              "\"\"]], \"technical\": [[\"channels\", "
              "2], [\"samplerate\", 48000], [\"codec\", \"DMF v. 8\"], [\"mod_channels\", "
              "2], [\"Patterns\", 1], [\"Orders\", 1]]}\n"
              "{\"file\": \"bad.dmf\", \"error\": \"refused by the plug-in (not a playable DMF "
              "song, or out of memory)\"}\n");
}

TEST(QarvelInfo, TextShowsTheDemoSongWhenNoFileIsGiven) {
    Scratch scratch;
    const RunResult r = scratch.run({"info"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("demo.dmf\n  length: ", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("    TITLE: Tarnwick Demo\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("    samplerate: 48000\n"), std::string::npos) << r.out;
}

TEST(QarvelPrefs, ShowListsEveryControlWithItsState) {
    Scratch scratch;
    const RunResult r = scratch.run({"prefs"});
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* line :
         {"  [1001] combo box: \"48000\" of \"11025\", \"16000\", \"22025\", \"32000\", \"44100\", "
          "\"48000\", \"64000\", \"88200\", \"96000\"\n",
          "  [1003] trackbar: 250 (100 to 1000)\n", "  [1004] edit box: \"0.25\"\n",
          "  [1005] combo box: \"Linear\" of \"Nearest\", \"Linear\", \"Cubic test\"\n",
          "  [1007] combo box: \"Light\" of \"Disabled\", \"Light\", \"Heavy\"\n",
          "  [1008] check box: \"Loop song forever.\" off\n",
          "settings: loop=0 ramplen=3000 vol=250 rsmode=1 srate=48000\n"}) {
        EXPECT_NE(r.out.find(line), std::string::npos) << "missing: " << line << r.out;
    }
    EXPECT_FALSE(std::filesystem::exists(scratch.settings_file())) << "showing stores nothing";
}

TEST(QarvelPrefs, SetAndSlideActOnThePageAndStoreWhatThePluginSaves) {
    Scratch scratch;
    struct Step {
        std::vector<std::string> args;
        const char* saved;
    };
    const Step steps[] = {
        {{"prefs", "set", "srate", "44100"}, "loop=0 ramplen=3000 vol=250 rsmode=1 srate=44100"},
        {{"prefs", "set", "rsmode", "Cubic test"},
         "loop=0 ramplen=3000 vol=250 rsmode=2 srate=44100"},
        {{"prefs", "set", "ramplen", "Heavy"}, "loop=0 ramplen=8000 vol=250 rsmode=2 srate=44100"},
        {{"prefs", "set", "vol", "0,3"}, "loop=0 ramplen=8000 vol=300 rsmode=2 srate=44100"},
        {{"prefs", "set", "loop", "on"}, "loop=1 ramplen=8000 vol=300 rsmode=2 srate=44100"},
        {{"prefs", "slide", "vol", "700"}, "loop=1 ramplen=8000 vol=700 rsmode=2 srate=44100"},
        {{"prefs", "set", "loop", "off"}, "loop=0 ramplen=8000 vol=700 rsmode=2 srate=44100"},
    };
    for (const Step& step : steps) {
        const RunResult r = scratch.run(step.args);
        ASSERT_EQ(r.status, 0) << step.args[2] << ": " << r.err;
        const RunResult shown = scratch.run({"prefs", "show"});
        EXPECT_NE(shown.out.find(std::string("settings: ") + step.saved + "\n"), std::string::npos)
            << step.args[2] << ": " << shown.out;
    }
    // The file holds the plug-in's own records: five of them, 85 bytes.
    EXPECT_EQ(std::filesystem::file_size(scratch.settings_file()), 85u);
    const RunResult shown = scratch.run({"prefs"});
    EXPECT_NE(shown.out.find("[1004] edit box: \"0.7\"\n"), std::string::npos) << shown.out;
    EXPECT_NE(shown.out.find("[1005] combo box: \"Cubic test\""), std::string::npos) << shown.out;

    EXPECT_EQ(scratch.run({"prefs", "reset"}).status, 0);
    EXPECT_FALSE(std::filesystem::exists(scratch.settings_file()));
}

TEST(QarvelPrefs, AValueThePageDoesNotOfferIsAUsageErrorAndStoresNothing) {
    Scratch scratch;
    const RunResult r = scratch.run({"prefs", "set", "srate", "44000"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("\"44100\""), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(scratch.settings_file()));
}

TEST(QarvelPrefs, ACorruptSettingsFileIsNotAnError) {
    Scratch scratch;
    std::filesystem::create_directories(scratch.path("config/qarvel"));
    scratch.put("config/qarvel/tarnwick.settings", writer::Bytes{0xFF, 0xFF, 0xFF, 0xFF, 1, 2, 3});
    const RunResult r = scratch.run({"prefs"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("settings: loop=0 ramplen=3000 vol=250 rsmode=1 srate=48000"),
              std::string::npos);
}

TEST(QarvelAbout, NamesTheComponentItsVersionAndItsFile) {
    Scratch scratch;
    const RunResult r = scratch.run({"about"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("tarnwick 0.3.3", 0), 0u) << r.out;
    const std::string plugin_path = TARNWICK_PLUGIN_PATH;
    EXPECT_NE(r.out.find("file: " + plugin_path), std::string::npos) << r.out;
}

}  // namespace
}  // namespace tarnwick::cli_test

namespace tarnwick::cli_test {
namespace {

TEST(ShippedDemoSong, IsTheSongItsSourceWrites) {
    const std::string shipped = read_text(TARNWICK_SHIPPED_DEMO);
    const writer::Bytes built = demo::demo_song_image();
    EXPECT_EQ(shipped, std::string(built.begin(), built.end()))
        << "rewrite it with tarnwick-inspect --write-demo demo/demo.dmf";
}

}  // namespace
}  // namespace tarnwick::cli_test
