#include <sndfile.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "qarvel/audio_writer.h"

namespace qarvel_cli {
namespace {

static_assert(std::endian::native == std::endian::little,
              "raw output writes the machine's floats as little-endian bytes");

// The final name, the temporary name written meanwhile, and the rename at the end.
struct OutputPath {
    std::string final_path;
    bool to_stdout() const { return final_path == "-"; }
    std::string temporary() const { return final_path + ".partial"; }
    bool commit(std::string* error) const {
        if (std::rename(temporary().c_str(), final_path.c_str()) == 0) return true;
        *error = "cannot rename " + temporary() + ": " + std::strerror(errno);
        std::remove(temporary().c_str());
        return false;
    }
};

class RawFloatWriter final : public AudioWriter {
  public:
    explicit RawFloatWriter(std::string path) : path_{std::move(path)} {}
    ~RawFloatWriter() override { abandon(); }

    bool begin(uint32_t, uint32_t channels, std::string* error) override {
        channels_ = channels;
        if (path_.to_stdout()) {
            file_ = stdout;
            return true;
        }
        file_ = std::fopen(path_.temporary().c_str(), "wb");
        if (file_ == nullptr)
            *error = "cannot write " + path_.temporary() + ": " + std::strerror(errno);
        return file_ != nullptr;
    }
    bool write(const double* samples, uint32_t frames, std::string* error) override {
        narrowed_.assign(samples, samples + static_cast<size_t>(frames) * channels_);
        return put(error);
    }
    bool finish(std::string* error) override {
        if (file_ == nullptr) return false;
        bool ok = std::fflush(file_) == 0;
        if (file_ != stdout) {
            ok = std::fclose(file_) == 0 && ok;
            file_ = nullptr;
            if (!ok) {
                *error = "cannot write " + path_.temporary();
                std::remove(path_.temporary().c_str());
                return false;
            }
            return path_.commit(error);
        }
        file_ = nullptr;
        if (!ok) *error = "cannot write to standard output";
        return ok;
    }
    void abandon() override {
        if (file_ != nullptr && file_ != stdout) {
            std::fclose(file_);
            std::remove(path_.temporary().c_str());
        }
        file_ = nullptr;
    }

  private:
    bool put(std::string* error) {
        if (std::fwrite(narrowed_.data(), sizeof(float), narrowed_.size(), file_) ==
            narrowed_.size()) {
            return true;
        }
        *error = path_.to_stdout() ? "cannot write to standard output"
                                   : "cannot write " + path_.temporary();
        return false;
    }

    OutputPath path_;
    std::FILE* file_ = nullptr;
    uint32_t channels_ = 2;
    std::vector<float> narrowed_;
};

// libsndfile's virtual I/O over a growing memory buffer (for standard output).
struct MemoryStream {
    std::vector<unsigned char> bytes;
    sf_count_t position = 0;

    static sf_count_t length(void* self) {
        return static_cast<sf_count_t>(static_cast<MemoryStream*>(self)->bytes.size());
    }
    static sf_count_t seek(sf_count_t offset, int whence, void* self) {
        auto* m = static_cast<MemoryStream*>(self);
        sf_count_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? m->position : length(self);
        if (base + offset < 0) return -1;
        m->position = base + offset;
        return m->position;
    }
    static sf_count_t read(void* destination, sf_count_t count, void* self) {
        auto* m = static_cast<MemoryStream*>(self);
        const sf_count_t available = std::max<sf_count_t>(0, length(self) - m->position);
        const sf_count_t n = std::min(count, available);
        if (n > 0) std::memcpy(destination, m->bytes.data() + m->position, static_cast<size_t>(n));
        m->position += n;
        return n;
    }
    static sf_count_t write(const void* source, sf_count_t count, void* self) {
        auto* m = static_cast<MemoryStream*>(self);
        const size_t end = static_cast<size_t>(m->position + count);
        try {
            if (m->bytes.size() < end) m->bytes.resize(end);
        } catch (...) {
            return 0;
        }
        std::memcpy(m->bytes.data() + m->position, source, static_cast<size_t>(count));
        m->position += count;
        return count;
    }
    static sf_count_t tell(void* self) { return static_cast<MemoryStream*>(self)->position; }
};

class SndfileWriter final : public AudioWriter {
  public:
    SndfileWriter(AudioFormat format, bool pcm16, std::string path)
        : format_(format), pcm16_(pcm16), path_{std::move(path)} {}
    ~SndfileWriter() override { abandon(); }

    bool begin(uint32_t rate, uint32_t channels, std::string* error) override {
        SF_INFO info{};
        info.samplerate = static_cast<int>(rate);
        info.channels = static_cast<int>(channels);
        const int container = format_ == AudioFormat::flac ? SF_FORMAT_FLAC : SF_FORMAT_WAV;
        const int encoding = pcm16_                         ? SF_FORMAT_PCM_16
                             : format_ == AudioFormat::flac ? SF_FORMAT_PCM_24
                                                            : SF_FORMAT_FLOAT;
        integer_ = encoding != SF_FORMAT_FLOAT;
        info.format = container | encoding;
        if (path_.to_stdout()) {
            io_ = {&MemoryStream::length, &MemoryStream::seek, &MemoryStream::read,
                   &MemoryStream::write, &MemoryStream::tell};
            file_ = sf_open_virtual(&io_, SFM_RDWR, &info, &memory_);
        } else {
            file_ = sf_open(path_.temporary().c_str(), SFM_WRITE, &info);
        }
        if (file_ == nullptr) {
            *error = std::string("cannot start the audio file: ") + sf_strerror(nullptr);
            return false;
        }
        channels_ = channels;
        return true;
    }
    bool write(const double* samples, uint32_t frames, std::string* error) override {
        const size_t count = static_cast<size_t>(frames) * channels_;
        const double* data = samples;
        if (integer_) {
            // Full scale and beyond would wrap: clip, and count what was clipped.
            clipped_buffer_.assign(samples, samples + count);
            for (double& v : clipped_buffer_) {
                if (v > 1.0 || v < -1.0 || v != v) {
                    ++clipped_;
                    v = v > 0.0 ? 1.0 : v < 0.0 ? -1.0 : 0.0;
                }
            }
            data = clipped_buffer_.data();
        }
        if (sf_writef_double(file_, data, frames) == static_cast<sf_count_t>(frames)) return true;
        *error = std::string("cannot write the audio: ") + sf_strerror(file_);
        return false;
    }
    bool finish(std::string* error) override {
        if (file_ == nullptr) return false;
        const int closed = sf_close(file_);
        file_ = nullptr;
        if (closed != 0) {
            *error = std::string("cannot complete the audio file: ") + sf_error_number(closed);
            if (!path_.to_stdout()) std::remove(path_.temporary().c_str());
            return false;
        }
        if (!path_.to_stdout()) return path_.commit(error);
        const bool ok = std::fwrite(memory_.bytes.data(), 1, memory_.bytes.size(), stdout) ==
                            memory_.bytes.size() &&
                        std::fflush(stdout) == 0;
        if (!ok) *error = "cannot write to standard output";
        return ok;
    }
    void abandon() override {
        if (file_ != nullptr) {
            sf_close(file_);
            file_ = nullptr;
            if (!path_.to_stdout()) std::remove(path_.temporary().c_str());
        }
    }
    uint64_t clipped_samples() const override { return clipped_; }

  private:
    AudioFormat format_;
    bool pcm16_;
    OutputPath path_;
    SNDFILE* file_ = nullptr;
    SF_VIRTUAL_IO io_{};
    MemoryStream memory_;
    uint32_t channels_ = 2;
    bool integer_ = false;
    uint64_t clipped_ = 0;
    std::vector<double> clipped_buffer_;
};

}  // namespace

std::unique_ptr<AudioWriter> make_sndfile_audio_writer(AudioFormat format, bool pcm16,
                                                       const std::string& path) {
    if (format == AudioFormat::f32) return std::make_unique<RawFloatWriter>(path);
    return std::make_unique<SndfileWriter>(format, pcm16, path);
}

}  // namespace qarvel_cli
