// Every format a writer offers, written to a file and read back by libsndfile: the samples,
// the rate and the channel count survive, and 16-bit output clips and counts what it clipped.

#include <gtest/gtest.h>
#include <sndfile.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "qarvel/audio_writer.h"

namespace {

using qarvel_cli::AudioFormat;
using qarvel_cli::AudioWriter;

using MakeWriter = std::unique_ptr<AudioWriter> (*)(AudioFormat, bool, const std::string&);

// Integer files are read as their integers, float files as their floats, both as doubles.
struct ReadBack {
    SF_INFO info{};
    std::vector<double> samples;
};

ReadBack read_back(const std::string& path, AudioFormat format, bool pcm16, uint32_t rate) {
    ReadBack result;
    if (format == AudioFormat::f32) {  // raw: libsndfile needs to be told what it holds
        result.info.samplerate = static_cast<int>(rate);
        result.info.channels = 2;
        result.info.format = SF_FORMAT_RAW | SF_FORMAT_FLOAT | SF_ENDIAN_LITTLE;
    }
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &result.info);
    if (file == nullptr) {
        ADD_FAILURE() << path << ": " << sf_strerror(nullptr);
        return result;
    }
    const size_t count = static_cast<size_t>(result.info.frames) * result.info.channels;
    if (pcm16) {
        std::vector<short> shorts(count);
        sf_read_short(file, shorts.data(), static_cast<sf_count_t>(count));
        result.samples.assign(shorts.begin(), shorts.end());
    } else {
        std::vector<float> floats(count);
        sf_read_float(file, floats.data(), static_cast<sf_count_t>(count));
        result.samples.assign(floats.begin(), floats.end());
    }
    sf_close(file);
    return result;
}

TEST(AudioWriterReadBack, EveryFormatOfEveryWriterReadsBackAsWritten) {
    struct Case {
        const char* writer;
        MakeWriter make;
        AudioFormat format;
        bool pcm16;
    };
    const Case cases[] = {
        {"built-in", qarvel_cli::make_builtin_audio_writer, AudioFormat::wav, false},
        {"built-in", qarvel_cli::make_builtin_audio_writer, AudioFormat::wav, true},
        {"built-in", qarvel_cli::make_builtin_audio_writer, AudioFormat::f32, false},
        {"libsndfile", qarvel_cli::make_sndfile_audio_writer, AudioFormat::wav, false},
        {"libsndfile", qarvel_cli::make_sndfile_audio_writer, AudioFormat::wav, true},
        {"libsndfile", qarvel_cli::make_sndfile_audio_writer, AudioFormat::flac, true},
    };
    // Two blocks of a stereo ramp past full scale, so that 16-bit output clips.
    constexpr uint32_t kFrames = 700;
    constexpr uint32_t kRate = 32000;
    std::vector<double> samples(2 * kFrames);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = -1.25 + 2.5 * i / samples.size();
    const auto folder =
        std::filesystem::temp_directory_path() / ("tarnwick-writers-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    for (const Case& c : cases) {
        const std::string path = (folder / (std::string(c.writer) + (c.pcm16 ? "16." : ".") +
                                            qarvel_cli::format_extension(c.format)))
                                     .string();
        SCOPED_TRACE(path);
        auto writer = c.make(c.format, c.pcm16, path);
        ASSERT_NE(writer, nullptr);
        std::string error;
        ASSERT_TRUE(writer->begin(kRate, 2, &error)) << error;
        ASSERT_TRUE(writer->write(samples.data(), 300, &error)) << error;
        ASSERT_TRUE(writer->write(samples.data() + 600, kFrames - 300, &error)) << error;
        ASSERT_TRUE(writer->finish(&error)) << error;
        EXPECT_FALSE(std::filesystem::exists(path + ".partial"));

        const ReadBack back = read_back(path, c.format, c.pcm16, kRate);
        EXPECT_EQ(back.info.samplerate, static_cast<int>(kRate));
        EXPECT_EQ(back.info.channels, 2);
        ASSERT_EQ(back.samples.size(), samples.size());
        // 16 bits: full scale is 32767, within one step of rounding; float keeps every value.
        const double tolerance = c.pcm16 ? 1.0 : 0.0;
        uint64_t clipped = 0;
        for (size_t i = 0; i < samples.size(); ++i) {
            const double expected = c.pcm16 ? 32767.0 * std::clamp(samples[i], -1.0, 1.0)
                                            : static_cast<float>(samples[i]);
            clipped += c.pcm16 && (samples[i] > 1.0 || samples[i] < -1.0);
            ASSERT_NEAR(back.samples[i], expected, tolerance) << "sample " << i;
        }
        EXPECT_EQ(writer->clipped_samples(), clipped);
    }
    std::filesystem::remove_all(folder);
}

}  // namespace
