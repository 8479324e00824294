// FLAC through libsndfile: 24-bit, or 16-bit when asked, with the song's title, artist and
// date as Vorbis comments. A file is written through its temporary name and rewritten at the
// end (STREAMINFO's length and MD5); a stream (standard output, a device, a FIFO) goes out as
// it is encoded, through a sink that only appends.

#include <sndfile.h>

#include <cstring>
#include <vector>

#include "qarvel/audio_writer.h"
#include "qarvel/output_file.h"

namespace qarvel_cli {
namespace {

// libsndfile's virtual I/O over a stream that cannot go back. The encoder rewrites STREAMINFO
// at the end by seeking to it; the seek is answered as if it had succeeded and the bytes it
// would rewrite, already gone, are dropped, so that only the stream itself goes out.
struct AppendOnlySink {
    std::FILE* stream = nullptr;
    sf_count_t sent = 0;      // bytes written out
    sf_count_t position = 0;  // where the encoder believes it is
    bool failed = false;

    static AppendOnlySink& of(void* self) { return *static_cast<AppendOnlySink*>(self); }
    static sf_count_t length(void* self) { return of(self).sent; }
    static sf_count_t seek(sf_count_t offset, int whence, void* self) {
        AppendOnlySink& s = of(self);
        const sf_count_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? s.position : s.sent;
        if (base + offset < 0) return -1;
        s.position = base + offset;
        return s.position;
    }
    static sf_count_t read(void*, sf_count_t, void*) { return 0; }
    static sf_count_t write(const void* source, sf_count_t count, void* self) {
        AppendOnlySink& s = of(self);
        const sf_count_t end = s.position + count;
        if (end > s.sent) {  // the part past what was sent goes out; the rest is dropped
            const sf_count_t skip = s.sent > s.position ? s.sent - s.position : 0;
            const auto n = static_cast<size_t>(count - skip);
            if (std::fwrite(static_cast<const char*>(source) + skip, 1, n, s.stream) != n) {
                s.failed = true;
                return 0;
            }
            s.sent = end;
        }
        s.position = end;
        return count;
    }
    static sf_count_t tell(void* self) { return of(self).position; }
};

class FlacWriter final : public AudioWriter {
  public:
    FlacWriter(bool pcm16, std::string path) : pcm16_(pcm16), path_(std::move(path)) {}
    ~FlacWriter() override { abandon(); }

    void set_tags(const AudioTags& tags) override { tags_ = tags; }

    bool begin(uint32_t rate, uint32_t channels, std::string* error) override {
        if (!out_.open(path_, error)) return false;
        SF_INFO info{};
        info.samplerate = static_cast<int>(rate);
        info.channels = static_cast<int>(channels);
        info.format = SF_FORMAT_FLAC | (pcm16_ ? SF_FORMAT_PCM_16 : SF_FORMAT_PCM_24);
        if (out_.seekable()) {
            file_ = sf_open_fd(fileno(out_.stream()), SFM_WRITE, &info, SF_FALSE);
        } else {
            sink_.stream = out_.stream();
            io_ = {&AppendOnlySink::length, &AppendOnlySink::seek, &AppendOnlySink::read,
                   &AppendOnlySink::write, &AppendOnlySink::tell};
            file_ = sf_open_virtual(&io_, SFM_WRITE, &info, &sink_);
        }
        if (file_ == nullptr) {
            *error = std::string("cannot start the FLAC stream: ") + sf_strerror(nullptr);
            out_.discard();
            return false;
        }
        if (!tags_.title.empty()) sf_set_string(file_, SF_STR_TITLE, tags_.title.c_str());
        if (!tags_.artist.empty()) sf_set_string(file_, SF_STR_ARTIST, tags_.artist.c_str());
        if (!tags_.date.empty()) sf_set_string(file_, SF_STR_DATE, tags_.date.c_str());
        channels_ = channels;
        return true;
    }

    bool write(const double* samples, uint32_t frames, std::string* error) override {
        // Full scale and beyond would wrap: clip, and count what was clipped.
        clipped_buffer_.assign(samples, samples + static_cast<size_t>(frames) * channels_);
        for (double& v : clipped_buffer_) {
            if (v > 1.0 || v < -1.0 || v != v) {
                ++clipped_;
                v = v > 0.0 ? 1.0 : v < 0.0 ? -1.0 : 0.0;
            }
        }
        if (sf_writef_double(file_, clipped_buffer_.data(), frames) ==
                static_cast<sf_count_t>(frames) &&
            !sink_.failed) {
            return true;
        }
        *error = "cannot write " + out_.shown_name() + ": " +
                 (sink_.failed ? std::strerror(errno) : sf_strerror(file_));
        return false;
    }

    bool finish(std::string* error) override {
        if (file_ == nullptr) return false;
        const int closed = sf_close(file_);
        file_ = nullptr;
        if (closed != 0 || sink_.failed) {
            *error = "cannot complete " + out_.shown_name() + ": " +
                     (sink_.failed ? std::string("write failed") : sf_error_number(closed));
            out_.discard();
            return false;
        }
        return out_.commit(error);
    }

    void abandon() override {
        if (file_ != nullptr) sf_close(file_);
        file_ = nullptr;
        out_.discard();
    }

    uint64_t clipped_samples() const override { return clipped_; }

  private:
    bool pcm16_;
    std::string path_;
    AudioTags tags_;
    OutputFile out_;
    SNDFILE* file_ = nullptr;
    SF_VIRTUAL_IO io_{};
    AppendOnlySink sink_;
    uint32_t channels_ = 2;
    uint64_t clipped_ = 0;
    std::vector<double> clipped_buffer_;
};

}  // namespace

std::unique_ptr<AudioWriter> make_sndfile_audio_writer(AudioFormat format, bool pcm16,
                                                       const std::string& path) {
    if (format != AudioFormat::flac) return nullptr;
    return std::make_unique<FlacWriter>(pcm16, path);
}

}  // namespace qarvel_cli
