// The writer with no library behind it, for the builds that have no libsndfile (Windows, where
// Debian offers no libsndfile for MinGW, and the 32-bit Linux build): raw 32-bit float, and WAV
// (32-bit float, or 16-bit with clipping counted) with the RIFF header completed at the end.
// FLAC is not offered. The Linux build compiles it too, so that its files are tested there.
//
// A file is written under a temporary name and renamed into place; standard output is switched
// to binary, and a WAV for it is assembled in memory since its header comes last.

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include "qarvel/audio_writer.h"

namespace qarvel_cli {
namespace {

void put_u16(std::vector<unsigned char>& out, uint32_t v) {
    out.push_back(static_cast<unsigned char>(v & 0xFF));
    out.push_back(static_cast<unsigned char>((v >> 8) & 0xFF));
}
void put_u32(std::vector<unsigned char>& out, uint32_t v) {
    put_u16(out, v & 0xFFFF);
    put_u16(out, v >> 16);
}
void put_tag(std::vector<unsigned char>& out, const char* tag) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<unsigned char>(tag[i]));
}

// RIFF WAVE header for `data_bytes` of samples: format 3 (IEEE float, with its fact chunk) or
// 1 (integer PCM).
std::vector<unsigned char> wav_header(uint32_t rate, uint32_t channels, bool pcm16,
                                      uint32_t data_bytes) {
    const uint32_t sample_bytes = pcm16 ? 2 : 4;
    const uint32_t frames = data_bytes / (sample_bytes * channels);
    std::vector<unsigned char> h;
    put_tag(h, "RIFF");
    put_u32(h, (pcm16 ? 36u : 48u) + data_bytes);
    put_tag(h, "WAVE");
    put_tag(h, "fmt ");
    put_u32(h, pcm16 ? 16u : 18u);
    put_u16(h, pcm16 ? 1u : 3u);
    put_u16(h, channels);
    put_u32(h, rate);
    put_u32(h, rate * channels * sample_bytes);
    put_u16(h, channels * sample_bytes);
    put_u16(h, sample_bytes * 8);
    if (!pcm16) {
        put_u16(h, 0);  // no extension
        put_tag(h, "fact");
        put_u32(h, 4);
        put_u32(h, frames);
    }
    put_tag(h, "data");
    put_u32(h, data_bytes);
    return h;
}

class BuiltinAudioWriter final : public AudioWriter {
  public:
    BuiltinAudioWriter(AudioFormat format, bool pcm16, std::string path)
        : wav_(format == AudioFormat::wav), pcm16_(pcm16), path_(std::move(path)) {}
    ~BuiltinAudioWriter() override { abandon(); }

    bool begin(uint32_t rate, uint32_t channels, std::string* error) override {
        rate_ = rate;
        channels_ = channels;
        if (to_stdout()) {
#if defined(_WIN32)
            _setmode(_fileno(stdout), _O_BINARY);  // no newline translation of samples
#endif
            file_ = stdout;
            return true;
        }
        file_ = std::fopen(temporary().c_str(), "wb");
        if (file_ == nullptr) {
            *error = "cannot write " + temporary() + ": " + std::strerror(errno);
            return false;
        }
        if (wav_) {
            const std::vector<unsigned char> header = wav_header(rate_, channels_, pcm16_, 0);
            return put(header.data(), header.size(), error);
        }
        return true;
    }

    bool write(const double* samples, uint32_t frames, std::string* error) override {
        const size_t count = static_cast<size_t>(frames) * channels_;
        bytes_.clear();
        for (size_t i = 0; i < count; ++i) {
            if (pcm16_) {
                double v = samples[i];
                if (v > 1.0 || v < -1.0) ++clipped_;
                v = v > 1.0 ? 1.0 : v < -1.0 ? -1.0 : v;
                const auto s = static_cast<int16_t>(std::lrint(v * 32767.0));
                put_u16(bytes_, static_cast<uint16_t>(s));
            } else {
                const float f = static_cast<float>(samples[i]);
                uint32_t bits;
                std::memcpy(&bits, &f, sizeof bits);
                put_u32(bytes_, bits);
            }
        }
        data_bytes_ += bytes_.size();
        if (wav_ && to_stdout()) {
            memory_.insert(memory_.end(), bytes_.begin(), bytes_.end());
            return true;
        }
        return put(bytes_.data(), bytes_.size(), error);
    }

    bool finish(std::string* error) override {
        if (file_ == nullptr) return false;
        if (data_bytes_ > 0xFFFFFF00u && wav_) {
            *error = "the song is too long for a WAV file";
            abandon();
            return false;
        }
        const auto data_bytes = static_cast<uint32_t>(data_bytes_);
        bool ok = true;
        if (wav_) {
            const std::vector<unsigned char> header =
                wav_header(rate_, channels_, pcm16_, data_bytes);
            if (to_stdout()) {
                ok = put(header.data(), header.size(), error) &&
                     put(memory_.data(), memory_.size(), error);
            } else {
                ok =
                    std::fseek(file_, 0, SEEK_SET) == 0 && put(header.data(), header.size(), error);
            }
        }
        ok = std::fflush(file_) == 0 && ok;
        if (to_stdout()) {
            file_ = nullptr;
            if (!ok) *error = "cannot write to standard output";
            return ok;
        }
        ok = std::fclose(file_) == 0 && ok;
        file_ = nullptr;
        std::error_code ec;  // std::filesystem::rename replaces an existing file on Windows too
        if (ok) std::filesystem::rename(temporary(), path_, ec);
        if (ok && !ec) return true;
        *error = "cannot write " + path_;
        std::remove(temporary().c_str());
        return false;
    }

    void abandon() override {
        if (file_ != nullptr && file_ != stdout) {
            std::fclose(file_);
            std::remove(temporary().c_str());
        }
        file_ = nullptr;
    }

    uint64_t clipped_samples() const override {
        return clipped_;
    }

  private:
    bool to_stdout() const {
        return path_ == "-";
    }
    std::string temporary() const {
        return path_ + ".partial";
    }
    bool put(const unsigned char* bytes, size_t count, std::string* error) {
        if (count == 0 || std::fwrite(bytes, 1, count, file_) == count) return true;
        *error = to_stdout() ? "cannot write to standard output" : "cannot write " + temporary();
        return false;
    }

    bool wav_;
    bool pcm16_;
    std::string path_;
    std::FILE* file_ = nullptr;
    uint32_t rate_ = 0;
    uint32_t channels_ = 2;
    uint64_t data_bytes_ = 0;
    uint64_t clipped_ = 0;
    std::vector<unsigned char> bytes_;
    std::vector<unsigned char> memory_;
};

}  // namespace

std::unique_ptr<AudioWriter> make_builtin_audio_writer(AudioFormat format, bool pcm16,
                                                       const std::string& path) {
    if (format == AudioFormat::flac) return nullptr;
    return std::make_unique<BuiltinAudioWriter>(format, pcm16, path);
}

}  // namespace qarvel_cli
