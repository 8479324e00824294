// `qarvel render -j 4`: one loaded plug-in decoding several songs at once, as a host does,
// writes what one song at a time writes. Also run under ThreadSanitizer (scripts/test.sh).

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/cli_e2e/qarvel_run.h"
#include "tests/plugin/plugin_songs.h"

namespace tarnwick::cli_test {
namespace {

TEST(QarvelParallelRender, FourAtOnceWriteWhatOneAtATimeWrites) {
    Scratch scratch;
    std::vector<std::string> songs;
    for (const plugin_test::NamedSong& song : plugin_test::comparison_songs()) {
        std::string name = song.name;
        std::replace(name.begin(), name.end(), ' ', '_');
        songs.push_back(scratch.put(name + ".dmf", song.image));
    }
    for (const auto& entry : std::filesystem::directory_iterator(TARNWICK_TEST_DATA_DIR)) {
        if (entry.path().extension() != ".dmf") continue;
        std::filesystem::copy_file(entry.path(), scratch.path(entry.path().filename().string()));
        songs.push_back(entry.path().filename().string());
    }
    std::sort(songs.begin(), songs.end());

    const auto render = [&](const std::string& jobs) {
        std::filesystem::create_directories(scratch.path("j" + jobs));
        std::vector<std::string> args = {"render",   "--format", "f32", "--out-dir",
                                         "j" + jobs, "-j",       jobs};
        args.insert(args.end(), songs.begin(), songs.end());
        return scratch.run(args);
    };
    const RunResult one = render("1");
    const RunResult four = render("4");
    EXPECT_EQ(one.status, four.status) << one.err << four.err;
    EXPECT_EQ(four.err.find("ThreadSanitizer"), std::string::npos) << four.err;

    size_t compared = 0;
    for (const std::string& song : songs) {
        const std::string out = std::filesystem::path(song).replace_extension(".f32").string();
        const bool written = std::filesystem::exists(scratch.path("j1/" + out));
        EXPECT_EQ(written, std::filesystem::exists(scratch.path("j4/" + out))) << song;
        if (!written) continue;
        EXPECT_EQ(read_text(scratch.path("j1/" + out)), read_text(scratch.path("j4/" + out)))
            << song;
        ++compared;
    }
    EXPECT_GE(compared, songs.size() - 1) << one.err;  // one regression input gives no audio
}

}  // namespace
}  // namespace tarnwick::cli_test
