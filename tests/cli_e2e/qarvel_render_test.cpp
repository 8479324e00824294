// qarvel render end to end: raw output equal to the plug-in driven in-process with the same
// song and settings, WAV and FLAC read back, settings options that change what is heard, the
// settings file reaching the next render, standard output, and a bad file in a batch.

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>

#include "tests/cli_e2e/qarvel_run.h"
#include "tests/plugin/loaded_plugin.h"
#include "tests/plugin/plugin_songs.h"

namespace tarnwick::cli_test {
namespace {

using plugin_test::LoadedPlugin;
using plugin_test::SettingValues;

// The song decoded in this process through the same library, as 32-bit floats.
std::vector<float> in_process_render(const writer::Bytes& image, const SettingValues& settings) {
    std::string error;
    LoadedPlugin* plugin = LoadedPlugin::at(plugin_test::this_edition_path(), &error);
    EXPECT_NE(plugin, nullptr) << error;
    if (plugin == nullptr) return {};
    plugin->store(settings);
    qarvel::Decoder* decoder = plugin->new_decoder();
    test_host::BytesFile file(image);
    test_host::TrackInfo info;
    EXPECT_TRUE(decoder->open(&file, &info, qarvel::OPEN_DECODE | qarvel::OPEN_NO_LOOP));
    const test_host::DecodedSong song = test_host::decode_to_end(*decoder, 100000);
    decoder->release();
    plugin->store(SettingValues{});
    EXPECT_EQ(song.last_result, 0);
    return std::vector<float>(song.samples.begin(), song.samples.end());
}

struct SoundFile {
    sf_count_t frames = 0;
    int rate = 0;
    int channels = 0;
    int format = 0;
};

SoundFile read_back(const std::filesystem::path& path) {
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    EXPECT_NE(f, nullptr) << path << ": " << sf_strerror(nullptr);
    if (f != nullptr) sf_close(f);
    return {info.frames, info.samplerate, info.channels, info.format};
}

TEST(QarvelRender, RawOutputIsExactlyWhatThePluginDelivers) {
    Scratch scratch;
    const writer::Bytes image = plugin_test::two_track_song().build();
    scratch.put("two.dmf", image);

    const RunResult plain = scratch.run({"render", "two.dmf", "--format", "f32"});
    ASSERT_EQ(plain.status, 0) << plain.err;
    EXPECT_EQ(read_floats(read_text(scratch.path("two.f32"))), in_process_render(image, {}));

    SettingValues changed;
    changed.srate = 22050;
    changed.rsmode = 2;
    changed.vol = 600;
    changed.ramplen = 8000;
    const RunResult options =
        scratch.run({"render", "two.dmf", "--format", "f32", "-o", "changed.f32", "--rate", "22050",
                     "--mode", "cubic", "--volume", "0.6", "--ramp", "heavy"});
    ASSERT_EQ(options.status, 0) << options.err;
    EXPECT_EQ(read_floats(read_text(scratch.path("changed.f32"))),
              in_process_render(image, changed));
}

TEST(QarvelRender, WavAndFlacReadBackWithTheSongsLengthRateAndChannels) {
    Scratch scratch;
    const writer::Bytes image = plugin_test::two_track_song().build();
    scratch.put("two.dmf", image);
    const size_t frames = in_process_render(image, {}).size() / 2;

    ASSERT_EQ(scratch.run({"render", "two.dmf"}).status, 0);
    const SoundFile wav = read_back(scratch.path("two.wav"));
    EXPECT_EQ(wav.frames, static_cast<sf_count_t>(frames));
    EXPECT_EQ(wav.rate, 48000);
    EXPECT_EQ(wav.channels, 2);
    EXPECT_EQ(wav.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);

    ASSERT_EQ(scratch.run({"render", "two.dmf", "--format", "flac", "--rate", "44100"}).status, 0);
    const SoundFile flac = read_back(scratch.path("two.flac"));
    EXPECT_EQ(flac.rate, 44100);
    EXPECT_EQ(flac.channels, 2);
    EXPECT_EQ(flac.format & SF_FORMAT_TYPEMASK, SF_FORMAT_FLAC);

    const RunResult pcm16 = scratch.run({"render", "two.dmf", "-o", "16.wav", "--pcm16"});
    ASSERT_EQ(pcm16.status, 0) << pcm16.err;
    EXPECT_EQ(read_back(scratch.path("16.wav")).format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    EXPECT_EQ(pcm16.err.find("clipped"), std::string::npos) << pcm16.err;

    // The demo song clips at the page's loudest volume.
    const RunResult loud = scratch.run({"render", "-o", "loud.wav", "--pcm16", "--volume", "1"});
    ASSERT_EQ(loud.status, 0) << loud.err;
    EXPECT_NE(loud.err.find(" samples clipped"), std::string::npos) << loud.err;
}

TEST(QarvelRender, RateChangesTheLengthAndNearestSoundsUnlikeLinear) {
    Scratch scratch;
    scratch.put("two.dmf", plugin_test::two_track_song().build());
    auto render = [&](const std::vector<std::string>& extra) {
        std::vector<std::string> args = {"render", "two.dmf", "--format", "f32", "-o", "-"};
        args.insert(args.end(), extra.begin(), extra.end());
        const RunResult r = scratch.run(args);
        EXPECT_EQ(r.status, 0) << r.err;
        return read_floats(r.out);
    };
    const std::vector<float> at48 = render({});
    const std::vector<float> at24 = render({"--rate", "24000"});
    ASSERT_FALSE(at48.empty());
    EXPECT_NEAR(static_cast<double>(at24.size()) / static_cast<double>(at48.size()), 0.5, 0.02);

    const std::vector<float> linear = render({"--mode", "linear"});
    const std::vector<float> nearest = render({"--mode", "nearest"});
    EXPECT_EQ(linear, at48) << "linear is the default";
    EXPECT_EQ(nearest.size(), linear.size());
    EXPECT_NE(nearest, linear);
}

TEST(QarvelRender, StandardOutputCarriesTheSameAudioAsAFile) {
    Scratch scratch;
    scratch.put("two.dmf", plugin_test::two_track_song().build());
    const RunResult streamed = scratch.run({"render", "two.dmf", "--format", "f32", "-o", "-"});
    ASSERT_EQ(streamed.status, 0);
    ASSERT_EQ(scratch.run({"render", "two.dmf", "--format", "f32"}).status, 0);
    EXPECT_EQ(streamed.out, read_text(scratch.path("two.f32")));

    const RunResult wav = scratch.run({"render", "two.dmf", "-o", "-"});
    ASSERT_EQ(wav.status, 0);
    EXPECT_EQ(wav.out.substr(0, 4), "RIFF");
}

TEST(QarvelRender, StartDecodesForwardToThePlaceAsked) {
    Scratch scratch;
    const writer::Bytes image = plugin_test::two_track_song().build();
    scratch.put("two.dmf", image);
    const std::vector<float> whole = in_process_render(image, {});
    const std::pair<const char*, size_t> starts[] = {
        {"1", 48000}, {"0:01.5", 72000}, {"0:00:02", 96000}};
    for (const auto& [start, frames] : starts) {
        SCOPED_TRACE(start);
        const RunResult r =
            scratch.run({"render", "two.dmf", "--format", "f32", "-o", "-", "--start", start});
        ASSERT_EQ(r.status, 0) << r.err;
        const size_t skipped = 2 * frames;
        EXPECT_EQ(read_floats(r.out), std::vector<float>(whole.begin() + skipped, whole.end()));
    }
    const RunResult past = scratch.run({"render", "two.dmf", "--start", "1:00"});
    EXPECT_EQ(past.status, 2);
    EXPECT_NE(past.err.find("past the song's end"), std::string::npos) << past.err;
    EXPECT_EQ(scratch.run({"render", "two.dmf", "--start", "1:75"}).status, 1);
}

TEST(QarvelRender, FlacStreamsToStandardOutputWithEveryFrameAndItsTags) {
    Scratch scratch;
    const writer::Bytes image = plugin_test::two_track_song().build();
    scratch.put("two.dmf", image);
    const RunResult r = scratch.run({"render", "two.dmf", "--format", "flac", "-o", "-"});
    ASSERT_EQ(r.status, 0) << r.err;
    scratch.put("streamed.flac", writer::Bytes(r.out.begin(), r.out.end()));
    SF_INFO info{};
    SNDFILE* flac = sf_open(scratch.path("streamed.flac").c_str(), SFM_READ, &info);
    ASSERT_NE(flac, nullptr) << sf_strerror(nullptr);
    EXPECT_EQ(info.format & SF_FORMAT_TYPEMASK, SF_FORMAT_FLAC);
    const char* title = sf_get_string(flac, SF_STR_TITLE);
    EXPECT_STREQ(title != nullptr ? title : "", "two tracks");
    std::vector<double> block(2 * 4096);
    size_t frames = 0;
    for (sf_count_t n; (n = sf_readf_double(flac, block.data(), 4096)) > 0;) frames += n;
    sf_close(flac);
    EXPECT_EQ(frames, in_process_render(image, {}).size() / 2);
    // The same bytes as a file's but for the length and MD5 that a stream cannot go back for:
    // nothing is appended where the encoder tried to rewrite them.
    ASSERT_EQ(scratch.run({"render", "two.dmf", "-o", "file.flac"}).status, 0);
    EXPECT_EQ(r.out.size(), std::filesystem::file_size(scratch.path("file.flac")));
}

TEST(QarvelRender, TheStoredSettingsReachTheNextRender) {
    Scratch scratch;
    scratch.put("two.dmf", plugin_test::two_track_song().build());
    ASSERT_EQ(
        scratch
            .run({"render", "two.dmf", "--format", "f32", "-o", "nearest.f32", "--mode", "nearest"})
            .status,
        0);
    const RunResult set = scratch.run({"prefs", "set", "rsmode", "Nearest"});
    ASSERT_EQ(set.status, 0) << set.err;
    ASSERT_EQ(scratch.run({"render", "two.dmf", "--format", "f32"}).status, 0);
    EXPECT_EQ(read_text(scratch.path("two.f32")), read_text(scratch.path("nearest.f32")));
}

TEST(QarvelRender, ARefusedFileIsOneLineAndTheOthersStillRender) {
    Scratch scratch;
    scratch.put("a.dmf", plugin_test::two_track_song().build());
    scratch.put("bad.dmf", writer::Bytes{'n', 'o', 't', ' ', 'a', ' ', 's', 'o', 'n', 'g'});
    scratch.put("b.dmf", writer::minimal_song().build());
    for (const char* jobs : {"1", "3"}) {
        const RunResult r =
            scratch.run({"render", "a.dmf", "bad.dmf", "b.dmf", "--force", "-j", jobs});
        EXPECT_EQ(r.status, 2);
        const std::vector<std::string> lines = r.err_lines();
        EXPECT_EQ(
            std::count_if(lines.begin(), lines.end(),
                          [](const std::string& l) { return l.rfind("qarvel: bad.dmf", 0) == 0; }),
            1)
            << r.err;
        EXPECT_TRUE(std::filesystem::exists(scratch.path("a.wav")));
        EXPECT_TRUE(std::filesystem::exists(scratch.path("b.wav")));
        EXPECT_FALSE(std::filesystem::exists(scratch.path("bad.wav")));
    }
}

TEST(QarvelRender, AnExistingOutputIsKeptUnlessForced) {
    Scratch scratch;
    scratch.put("two.dmf", plugin_test::two_track_song().build());
    scratch.put("two.wav", writer::Bytes{'k', 'e', 'e', 'p'});
    EXPECT_EQ(scratch.run({"render", "two.dmf"}).status, 2);
    EXPECT_EQ(read_text(scratch.path("two.wav")), "keep");
    EXPECT_EQ(scratch.run({"render", "two.dmf", "--force"}).status, 0);
    EXPECT_EQ(read_back(scratch.path("two.wav")).channels, 2);
}

TEST(QarvelRender, LoopingRendersExactlyTheSecondsAsked) {
    Scratch scratch;
    scratch.put("two.dmf", plugin_test::two_track_song().build());
    const RunResult r = scratch.run({"render", "two.dmf", "--loop", "--seconds", "10"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(read_back(scratch.path("two.wav")).frames, 480000);
}

TEST(QarvelRender, UsageErrorsExitWithOne) {
    Scratch scratch;
    EXPECT_EQ(scratch.run({"render", "--mode", "sinc"}).status, 1);
    EXPECT_EQ(scratch.run({"render", "a.dmf", "b.dmf", "-o", "x.wav"}).status, 1);
    EXPECT_EQ(scratch.run({"render", "--loop"}).status, 1);
    EXPECT_EQ(scratch.run({"frobnicate"}).status, 1);
}

TEST(QarvelRender, WithNoFileTheDemoSongIsRendered) {
    Scratch scratch;
    const RunResult r = scratch.run({"render", "--format", "f32"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(read_floats(read_text(scratch.path("demo.f32"))),
              in_process_render(demo::demo_song_image(), {}));
}

}  // namespace
}  // namespace tarnwick::cli_test
