// What qarvel must never do to a user's files or terminal, end to end: replace a device or a
// link, overwrite a song, write a format other than the name says, wait on a FIFO, leave a
// partial file after a signal, pour audio onto a terminal, remove anything but a settings file;
// and how it says so (every line on standard error starts with "qarvel:" and names the file).

#include <gtest/gtest.h>
#include <pty.h>
#include <signal.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <chrono>
#include <thread>

#include "tests/cli_e2e/qarvel_run.h"
#include "tests/plugin/plugin_songs.h"

namespace tarnwick::cli_test {
namespace {

namespace fs = std::filesystem;

bool is_root() {
    return geteuid() == 0;
}

// A character device of the test's own, the one /dev/null is (root only).
bool make_null_device(const fs::path& path) {
    return mknod(path.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
}

mode_t kind_of(const fs::path& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 ? (info.st_mode & S_IFMT) : 0;
}

void expect_no_partial_files(const Scratch& scratch) {
    for (const auto& entry : fs::recursive_directory_iterator(scratch.dir())) {
        EXPECT_NE(entry.path().extension(), ".partial") << entry.path();
    }
}

// Every line names qarvel first, and the file when there is one.
void expect_message_style(const RunResult& r, const std::string& file) {
    for (const std::string& line : r.err_lines()) {
        EXPECT_EQ(line.rfind("qarvel: ", 0), 0u) << line;
        if (!file.empty()) {
            EXPECT_NE(line.find(file), std::string::npos) << line;
        }
    }
}

TEST(QarvelOutput, ADeviceOrALinkIsWrittenThroughAndAnInputIsNeverOverwritten) {
    Scratch scratch;
    const writer::Bytes song = plugin_test::two_track_song().build();
    scratch.put("song.dmf", song);
    scratch.put("target.wav", writer::Bytes{'o', 'l', 'd'});
    fs::create_symlink("target.wav", scratch.path("link.wav"));
    fs::create_symlink("song.dmf", scratch.path("self.wav"));
    fs::create_hard_link(scratch.path("song.dmf"), scratch.path("hard.wav"));
    const bool device = is_root() && make_null_device(scratch.path("null"));
    struct Case {
        const char* output;
        int status;
        const char* stays;  // the path that keeps its kind
        mode_t kind;
    };
    const Case cases[] = {
        {"null", 0, "null", S_IFCHR},          // a device is written in place
        {"link.wav", 0, "link.wav", S_IFLNK},  // the link stays, its file is written
        {"self.wav", 2, "self.wav", S_IFLNK},  // a link to the song itself
        {"hard.wav", 2, "hard.wav", S_IFREG},  // another name of the song
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.output);
        if (std::string(c.output) == "null" && !device) continue;  // mknod needs root
        const RunResult r = scratch.run({"render", "song.dmf", "-o", c.output, "--force"});
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_EQ(kind_of(scratch.path(c.stays)), c.kind);
        expect_message_style(r, "song.dmf");
    }
    EXPECT_EQ(read_text(scratch.path("song.dmf")), std::string(song.begin(), song.end()));
    EXPECT_EQ(read_text(scratch.path("target.wav")).substr(0, 4), "RIFF");
    expect_no_partial_files(scratch);
    if (!device) GTEST_SKIP() << "not root: the device case (mknod) was not run";
}

TEST(QarvelOutput, TheNameChoosesTheFormatAndAContradictionWritesNothing) {
    Scratch scratch;
    scratch.put("song.dmf", writer::minimal_song().build());
    struct Case {
        std::vector<std::string> options;
        const char* output;
        int status;
        int format;  // libsndfile's major format read back; 0: raw floats; -1: no file
    };
    const Case cases[] = {
        {{}, "a.flac", 0, SF_FORMAT_FLAC},
        {{}, "b.WAV", 0, SF_FORMAT_WAV},
        {{}, "c.raw", 0, 0},
        {{"--format", "flac"}, "d.flac", 0, SF_FORMAT_FLAC},
        {{"--format", "flac"}, "e.wav", 1, -1},
        {{"--format", "wav"}, "f.f32", 1, -1},
        {{}, "g.mp3", 1, -1},
        {{"--format", "f32"}, "h.mp3", 1, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.output);
        std::vector<std::string> args = {"render", "song.dmf", "-o", c.output};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const RunResult r = scratch.run(args);
        EXPECT_EQ(r.status, c.status) << r.err;
        expect_message_style(r, "");
        if (c.format < 0) {
            EXPECT_FALSE(fs::exists(scratch.path(c.output)));
            continue;
        }
        SF_INFO info{};
        SNDFILE* file = sf_open(scratch.path(c.output).c_str(), SFM_READ, &info);
        if (file != nullptr) sf_close(file);
        if (c.format == 0) {  // raw: no header libsndfile knows, a whole number of frames
            EXPECT_EQ(file, nullptr);
            EXPECT_EQ(fs::file_size(scratch.path(c.output)) % 8, 0u);
        } else {
            EXPECT_EQ(info.format & SF_FORMAT_TYPEMASK, c.format);
        }
    }
}

TEST(QarvelInput, WhatIsNoSongIsRefusedWithItsReasonBeforeAnythingWaits) {
    Scratch scratch;
    const writer::Bytes song = plugin_test::two_track_song().build();
    scratch.put("with space.dmf", song);
    scratch.put("empty.dmf", {});
    scratch.put("text.dmf", writer::Bytes{'h', 'e', 'l', 'l', 'o', '\n'});
    scratch.put("truncated.dmf", writer::Bytes(song.begin(), song.begin() + 40));
    ASSERT_EQ(mkfifo(scratch.path("fifo.dmf").c_str(), 0600), 0);
    fs::create_directory(scratch.path("folder.dmf"));
    scratch.put("huge.dmf", writer::Bytes{'D', 'D', 'M', 'F'});
    fs::resize_file(scratch.path("huge.dmf"), 300'000'000);  // sparse: never read
    struct Case {
        const char* file;
        const char* reason;
    };
    const Case cases[] = {
        {"fifo.dmf", "not a regular file (a FIFO)"},
        {"empty.dmf", "empty file"},
        {"text.dmf", "not a DMF file (no DDMF signature)"},
        {"huge.dmf", "file too large (300 MB; the limit is 250 MB)"},
        {"truncated.dmf", "refused by the plug-in"},
        {"missing.dmf", "cannot open: No such file or directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        for (const char* command : {"info", "render"}) {
            const RunResult r = scratch.run({command, c.file});
            EXPECT_EQ(r.status, 2) << command;
            EXPECT_EQ(r.err.rfind(std::string("qarvel: ") + c.file + ": " + c.reason, 0), 0u)
                << command << ": " << r.err;
            expect_message_style(r, c.file);
        }
    }
    // A folder is walked for songs (none here); a name with spaces is a song like any other.
    EXPECT_EQ(scratch.run({"info", "folder.dmf"}).status, 2);
    const RunResult spaced = scratch.run({"render", "with space.dmf"});
    EXPECT_EQ(spaced.status, 0) << spaced.err;
    EXPECT_TRUE(fs::exists(scratch.path("with space.wav")));
    expect_no_partial_files(scratch);
}

TEST(QarvelInput, FoldersAreWalkedForSongsInAnyLetterCaseSortedByPath) {
    Scratch scratch;
    fs::create_directories(scratch.path("songs/sub"));
    scratch.put("songs/sub/a.dmf", writer::minimal_song().build());
    scratch.put("songs/B.DMF", writer::minimal_song().build());
    scratch.put("songs/notes.txt", writer::Bytes{'x'});
    const RunResult info = scratch.run({"info", "--json", "songs"});
    EXPECT_EQ(info.status, 0) << info.err;
    EXPECT_EQ(info.out.find("{\"file\": \"songs/B.DMF\""), 0u) << info.out;
    EXPECT_NE(info.out.find("\n{\"file\": \"songs/sub/a.dmf\""), std::string::npos) << info.out;
    const RunResult render = scratch.run({"render", "songs", "--out-dir", "out"});
    EXPECT_EQ(render.status, 0) << render.err;
    EXPECT_TRUE(fs::exists(scratch.path("out/B.wav")));
    EXPECT_TRUE(fs::exists(scratch.path("out/sub/a.wav")));
}

TEST(QarvelPrefs, OnlyARegularSettingsFileIsEverRemovedOrReplaced) {
    Scratch scratch;
    fs::create_directory(scratch.path("folder"));
    ASSERT_EQ(mkfifo(scratch.path("fifo").c_str(), 0600), 0);
    const bool device = is_root() && make_null_device(scratch.path("null"));
    for (const char* name : {"folder", "fifo", "null"}) {
        if (std::string(name) == "null" && !device) continue;
        SCOPED_TRACE(name);
        const mode_t kind = kind_of(scratch.path(name));
        for (const std::vector<std::string>& action :
             {std::vector<std::string>{"reset"}, std::vector<std::string>{"set", "loop", "on"}}) {
            std::vector<std::string> args = {"--config", name, "prefs"};
            args.insert(args.end(), action.begin(), action.end());
            const RunResult r = scratch.run(args);
            EXPECT_EQ(r.status, 2) << r.err;
            expect_message_style(r, name);
            EXPECT_EQ(kind_of(scratch.path(name)), kind);
        }
    }
}

// Runs qarvel in the scratch folder as a child of this process, its output thrown away.
pid_t start_qarvel(const Scratch& scratch, const std::vector<std::string>& args) {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    std::vector<char*> argv = {const_cast<char*>(TARNWICK_QARVEL_PATH)};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    if (chdir(scratch.dir().c_str()) != 0) _exit(127);
    setenv("XDG_CONFIG_HOME", scratch.path("config").c_str(), 1);
    freopen("/dev/null", "w", stdout);
    freopen("/dev/null", "w", stderr);
    execv(argv[0], argv.data());
    _exit(127);
}

TEST(QarvelRender, ASignalMidRenderLeavesNoPartialFileAndKeepsTheOldOne) {
    Scratch scratch;
    scratch.put("song.dmf", plugin_test::two_track_song().build());
    for (const int signal_number : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal_number);
        scratch.put("long.wav", writer::Bytes{'k', 'e', 'e', 'p'});
        const pid_t pid = start_qarvel(scratch, {"render", "song.dmf", "-o", "long.wav", "--force",
                                                 "--loop", "--seconds", "100000"});
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!fs::exists(scratch.path("long.wav.partial")) &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        EXPECT_TRUE(fs::exists(scratch.path("long.wav.partial")));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));  // well into the render
        kill(pid, signal_number);
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal_number) << status;
        EXPECT_EQ(read_text(scratch.path("long.wav")), "keep");
        expect_no_partial_files(scratch);
    }
}

TEST(QarvelRender, AudioIsNotWrittenOntoATerminal) {
    Scratch scratch;
    int terminal = -1;
    const pid_t pid = forkpty(&terminal, nullptr, nullptr, nullptr);
    ASSERT_GE(pid, 0);
    if (pid == 0) {  // standard input, output and error are the pseudo-terminal
        if (chdir(scratch.dir().c_str()) != 0) _exit(127);
        execl(TARNWICK_QARVEL_PATH, TARNWICK_QARVEL_PATH, "render", "-o", "-", nullptr);
        _exit(127);
    }
    std::string shown;
    char buffer[4096];
    for (ssize_t n; (n = read(terminal, buffer, sizeof buffer)) > 0;) shown.append(buffer, n);
    close(terminal);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
    EXPECT_NE(shown.find("qarvel: standard output is a terminal"), std::string::npos)
        << shown.substr(0, 200);
    EXPECT_EQ(shown.find("RIFF"), std::string::npos) << "audio reached the terminal";
}

TEST(QarvelCommandLine, AnUnknownWordIsNamedAndVersionAndVerbosityAreOptions) {
    Scratch scratch;
    const RunResult unknown = scratch.run({"frobnicate"});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_EQ(unknown.err.rfind("qarvel: unknown command \"frobnicate\"", 0), 0u) << unknown.err;

    const RunResult version = scratch.run({"--version"});
    EXPECT_EQ(version.status, 0) << version.err;
    // The SSE edition's version text ends in "SSE"; either edition is named with its path.
    EXPECT_EQ(version.out.rfind("qarvel 0.3.3\nplug-in: tarnwick 0.3.3", 0), 0u) << version.out;
    EXPECT_NE(version.out.find(" ("), std::string::npos) << version.out;

    const RunResult quiet = scratch.run({"--quiet", "render", "--format", "f32"});
    EXPECT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.err, "");
    // A global flag before the command, a song named after it: still that command.
    scratch.put("song.dmf", writer::minimal_song().build());
    const RunResult verbose = scratch.run({"-v", "render", "song.dmf", "--format", "f32"});
    EXPECT_EQ(verbose.status, 0);
    for (const char* said : {"qarvel: plug-in ", "qarvel: settings in force: ", "real time"}) {
        EXPECT_NE(verbose.err.find(said), std::string::npos) << said << "\n" << verbose.err;
    }
    EXPECT_EQ(scratch.run({"-q", "-v", "about"}).status, 1);
}

}  // namespace
}  // namespace tarnwick::cli_test
