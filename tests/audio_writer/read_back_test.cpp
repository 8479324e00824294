// Every format a writer offers, written to a file and to a FIFO (a stream that cannot be
// rewritten) and read back by libsndfile: the samples, the rate, the channel count and the tags
// survive, and 16-bit output clips and counts what it clipped. The WAV header becomes RF64 past
// 4 GiB, checked on the header itself and on a sparse file, without writing gigabytes.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "qarvel/audio_writer.h"

namespace {

using qarvel_cli::AudioFormat;
using qarvel_cli::AudioWriter;

using MakeWriter = std::unique_ptr<AudioWriter> (*)(AudioFormat, bool, const std::string&);

const qarvel_cli::AudioTags kTags = {"T\xC3\xADtulo", "Jo Doe", "1997-03-07"};

// Integer files are read as their integers, float files as their floats, both as doubles.
// Read until the end, since a streamed FLAC does not say how long it is.
struct ReadBack {
    SF_INFO info{};
    std::vector<double> samples;
    std::string title, artist, date;
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
    const auto text = [file](int which) {
        const char* t = sf_get_string(file, which);
        return std::string(t != nullptr ? t : "");
    };
    result.title = text(SF_STR_TITLE);
    result.artist = text(SF_STR_ARTIST);
    result.date = text(SF_STR_DATE);
    std::vector<double> block(2 * 4096);
    for (sf_count_t n; (n = sf_readf_double(file, block.data(), 4096)) > 0;) {
        for (size_t i = 0; i < static_cast<size_t>(n) * 2; ++i) {
            result.samples.push_back(pcm16 ? std::round(block[i] * 32768.0) : block[i]);
        }
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
    // Each case to a regular file, and to a FIFO read by another thread (written in place, as a
    // stream: no temporary name, no going back), whose bytes are then read back like a file.
    for (const Case& c : cases) {
        for (const bool fifo : {false, true}) {
            const std::string name = std::string(c.writer) + (c.pcm16 ? "16" : "") +
                                     (fifo ? "-fifo." : ".") +
                                     qarvel_cli::format_extension(c.format);
            const std::string path = (folder / name).string();
            SCOPED_TRACE(path);
            std::future<std::string> streamed;
            if (fifo) {
                ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
                streamed = std::async(std::launch::async, [path] {
                    std::ifstream in(path, std::ios::binary);
                    return std::string(std::istreambuf_iterator<char>(in), {});
                });
            }
            // Should a check below fail first, the reader is let go rather than left waiting.
            const struct LetGo {
                std::string path;
                ~LetGo() { ::close(::open(path.c_str(), O_WRONLY | O_NONBLOCK)); }
            } let_go{fifo ? path : ""};
            auto writer = c.make(c.format, c.pcm16, path);
            ASSERT_NE(writer, nullptr);
            writer->set_tags(kTags);
            std::string error;
            ASSERT_TRUE(writer->begin(kRate, 2, &error)) << error;
            ASSERT_TRUE(writer->write(samples.data(), 300, &error)) << error;
            ASSERT_TRUE(writer->write(samples.data() + 600, kFrames - 300, &error)) << error;
            ASSERT_TRUE(writer->finish(&error)) << error;
            EXPECT_FALSE(std::filesystem::exists(path + ".partial"));
            const uint64_t counted = writer->clipped_samples();
            std::string read_from = path;
            if (fifo) {
                writer.reset();
                read_from = path + ".bytes";
                std::ofstream(read_from, std::ios::binary) << streamed.get();
            }

            const ReadBack back = read_back(read_from, c.format, c.pcm16, kRate);
            EXPECT_EQ(back.info.samplerate, static_cast<int>(kRate));
            EXPECT_EQ(back.info.channels, 2);
            if (c.format != AudioFormat::f32) {
                EXPECT_EQ(back.title, kTags.title);
                EXPECT_EQ(back.artist, kTags.artist);
                EXPECT_EQ(back.date, kTags.date);
            }
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
            EXPECT_EQ(counted, clipped);
        }
    }
    std::filesystem::remove_all(folder);
}

uint32_t u32_at(const std::vector<unsigned char>& h, size_t at) {
    uint32_t v = 0;
    std::memcpy(&v, h.data() + at, 4);
    return v;
}
uint64_t u64_at(const std::vector<unsigned char>& h, size_t at) {
    uint64_t v = 0;
    std::memcpy(&v, h.data() + at, 8);
    return v;
}

TEST(WavHeader, StaysRiffUpToFourGiBAndBecomesRf64PastItInTheSameLength) {
    const qarvel_cli::AudioTags tags = {"t", "", ""};
    for (const bool pcm16 : {false, true}) {
        const size_t length = qarvel_cli::wav_header(48000, 2, pcm16, tags, 0).size();
        const uint64_t frame_bytes = pcm16 ? 4 : 8;
        const uint64_t last_riff = 0xFFFFFFFFu - (length - 8);  // data bytes the RIFF size holds
        const uint64_t cases[] = {0, last_riff / frame_bytes * frame_bytes,
                                  (last_riff / frame_bytes + 1) * frame_bytes, 5ull << 30};
        for (const uint64_t data : cases) {
            SCOPED_TRACE(std::to_string(pcm16) + " " + std::to_string(data));
            const auto h = qarvel_cli::wav_header(48000, 2, pcm16, tags, data);
            ASSERT_EQ(h.size(), length);
            const bool rf64 = length - 8 + data > 0xFFFFFFFFu;
            EXPECT_EQ(std::string(h.begin(), h.begin() + 4), rf64 ? "RF64" : "RIFF");
            EXPECT_EQ(std::string(h.begin() + 12, h.begin() + 16), rf64 ? "ds64" : "JUNK");
            EXPECT_EQ(u32_at(h, 4), rf64 ? 0xFFFFFFFFu : length - 8 + data);
            EXPECT_EQ(u64_at(h, 20), rf64 ? length - 8 + data : 0);
            EXPECT_EQ(u64_at(h, 28), rf64 ? data : 0);
            EXPECT_EQ(u64_at(h, 36), rf64 ? data / frame_bytes : 0);
            EXPECT_EQ(u32_at(h, length - 4), rf64 ? 0xFFFFFFFFu : data);
            // The format chunk: integer PCM in 16 bytes; float in 18, its extension size 0.
            EXPECT_EQ(std::string(h.begin() + 48, h.begin() + 52), "fmt ");
            EXPECT_EQ(u32_at(h, 52), pcm16 ? 16u : 18u);
            if (!pcm16) {
                EXPECT_EQ(h[56 + 16] | h[56 + 17], 0);
            }
        }
    }
}

TEST(WavHeader, ASparseFileOfFiveGiBReadsBackWithEveryFrame) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("tarnwick-rf64-" + std::to_string(::getpid()) + ".wav");
    constexpr uint64_t kData = 5ull << 30;
    const auto header = qarvel_cli::wav_header(44100, 2, false, {}, kData);
    {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(header.data()),
                  static_cast<std::streamsize>(header.size()));
    }
    std::filesystem::resize_file(path, header.size() + kData);  // a hole: no disk is used
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    sf_close(file);
    std::filesystem::remove(path);
    EXPECT_EQ(info.format, SF_FORMAT_RF64 | SF_FORMAT_FLOAT);
    EXPECT_EQ(static_cast<uint64_t>(info.frames), kData / 8);
}

}  // namespace
