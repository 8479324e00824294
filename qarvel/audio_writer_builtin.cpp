// The writer with no library behind it: raw 32-bit float, and WAV (32-bit float, or 16-bit with
// clipping counted) with the header completed at the end. Every build writes WAV with it (the
// Windows and 32-bit builds have no libsndfile at all); FLAC is not offered.

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "qarvel/audio_writer.h"
#include "qarvel/output_file.h"

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
void put_u64(std::vector<unsigned char>& out, uint64_t v) {
    put_u32(out, static_cast<uint32_t>(v));
    put_u32(out, static_cast<uint32_t>(v >> 32));
}
void put_tag(std::vector<unsigned char>& out, const char* tag) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<unsigned char>(tag[i]));
}

// The LIST/INFO chunk of the tags that are set (none: no chunk).
std::vector<unsigned char> info_chunk(const AudioTags& tags) {
    std::vector<unsigned char> items;
    const auto item = [&items](const char* id, const std::string& text) {
        if (text.empty()) return;
        const auto size = static_cast<uint32_t>(text.size() + 1);  // with its NUL
        put_tag(items, id);
        put_u32(items, size);
        items.insert(items.end(), text.begin(), text.end());
        items.push_back(0);
        if (size % 2 != 0) items.push_back(0);  // chunks start at even offsets
    };
    item("INAM", tags.title);
    item("IART", tags.artist);
    item("ICRD", tags.date);
    if (items.empty()) return items;
    std::vector<unsigned char> chunk;
    put_tag(chunk, "LIST");
    put_u32(chunk, static_cast<uint32_t>(4 + items.size()));
    put_tag(chunk, "INFO");
    chunk.insert(chunk.end(), items.begin(), items.end());
    return chunk;
}

class BuiltinAudioWriter final : public AudioWriter {
  public:
    BuiltinAudioWriter(AudioFormat format, bool pcm16, std::string path)
        : wav_(format == AudioFormat::wav), pcm16_(pcm16), path_(std::move(path)) {}
    ~BuiltinAudioWriter() override { abandon(); }

    void set_tags(const AudioTags& tags) override { tags_ = tags; }

    bool begin(uint32_t rate, uint32_t channels, std::string* error) override {
        rate_ = rate;
        channels_ = channels;
        if (!out_.open(path_, error)) return false;
        in_memory_ = wav_ && !out_.seekable();
        if (wav_ && !in_memory_) {
            const std::vector<unsigned char> header = header_for(0);
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
        if (in_memory_) {
            memory_.insert(memory_.end(), bytes_.begin(), bytes_.end());
            return true;
        }
        return put(bytes_.data(), bytes_.size(), error);
    }

    bool finish(std::string* error) override {
        if (out_.stream() == nullptr) return false;
        bool ok = true;
        if (wav_) {
            const std::vector<unsigned char> header = header_for(data_bytes_);
            if (in_memory_) {
                ok = put(header.data(), header.size(), error) &&
                     put(memory_.data(), memory_.size(), error);
            } else {
                ok = std::fseek(out_.stream(), 0, SEEK_SET) == 0 &&
                     put(header.data(), header.size(), error);
            }
        }
        if (!ok) {
            out_.discard();
            return false;
        }
        return out_.commit(error);
    }

    void abandon() override { out_.discard(); }

    uint64_t clipped_samples() const override { return clipped_; }

  private:
    std::vector<unsigned char> header_for(uint64_t data_bytes) const {
        return wav_header(rate_, channels_, pcm16_, tags_, data_bytes);
    }
    bool put(const unsigned char* bytes, size_t count, std::string* error) {
        if (count == 0 || std::fwrite(bytes, 1, count, out_.stream()) == count) return true;
        *error = "cannot write " + out_.shown_name() + ": " + std::strerror(errno);
        return false;
    }

    bool wav_;
    bool pcm16_;
    std::string path_;
    AudioTags tags_;
    OutputFile out_;
    bool in_memory_ = false;
    uint32_t rate_ = 0;
    uint32_t channels_ = 2;
    uint64_t data_bytes_ = 0;
    uint64_t clipped_ = 0;
    std::vector<unsigned char> bytes_;
    std::vector<unsigned char> memory_;
};

}  // namespace

// RIFF (or RF64) WAVE: a JUNK chunk holding the place of ds64, format 3 (IEEE float, with the
// extension size 0 and its fact chunk) or 1 (integer PCM), the tags, then the data.
std::vector<unsigned char> wav_header(uint32_t rate, uint32_t channels, bool pcm16,
                                      const AudioTags& tags, uint64_t data_bytes) {
    constexpr uint32_t kDs64Bytes = 28;  // RIFF size, data size, sample count, table length 0
    const uint32_t sample_bytes = pcm16 ? 2 : 4;
    const uint64_t frames = data_bytes / (uint64_t{sample_bytes} * channels);
    const std::vector<unsigned char> info = info_chunk(tags);
    const uint64_t header_bytes =
        12 + (8 + kDs64Bytes) + (8 + (pcm16 ? 16 : 18)) + (pcm16 ? 0 : 12) + info.size() + 8;
    const uint64_t riff_bytes = header_bytes - 8 + data_bytes;
    const bool rf64 = riff_bytes > 0xFFFFFFFFu;
    const auto u32_or_ff = [rf64](uint64_t v) { return rf64 ? 0xFFFFFFFFu : uint32_t(v); };

    std::vector<unsigned char> h;
    put_tag(h, rf64 ? "RF64" : "RIFF");
    put_u32(h, u32_or_ff(riff_bytes));
    put_tag(h, "WAVE");
    put_tag(h, rf64 ? "ds64" : "JUNK");
    put_u32(h, kDs64Bytes);
    put_u64(h, rf64 ? riff_bytes : 0);
    put_u64(h, rf64 ? data_bytes : 0);
    put_u64(h, rf64 ? frames : 0);
    put_u32(h, 0);
    put_tag(h, "fmt ");
    put_u32(h, pcm16 ? 16u : 18u);
    put_u16(h, pcm16 ? 1u : 3u);
    put_u16(h, channels);
    put_u32(h, rate);
    put_u32(h, rate * channels * sample_bytes);
    put_u16(h, channels * sample_bytes);
    put_u16(h, sample_bytes * 8);
    if (!pcm16) {
        put_u16(h, 0);  // the extension's size: none
        put_tag(h, "fact");
        put_u32(h, 4);
        put_u32(h, u32_or_ff(frames));
    }
    h.insert(h.end(), info.begin(), info.end());
    put_tag(h, "data");
    put_u32(h, u32_or_ff(data_bytes));
    return h;
}

std::unique_ptr<AudioWriter> make_builtin_audio_writer(AudioFormat format, bool pcm16,
                                                       const std::string& path) {
    if (format == AudioFormat::flac) return nullptr;
    return std::make_unique<BuiltinAudioWriter>(format, pcm16, path);
}

}  // namespace qarvel_cli
