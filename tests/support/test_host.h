#pragma once
// A small qarvel host for tests and for the stand-in host: the host-side objects of the plug-in
// ABI over plain memory, each recording what the plug-in did with it. Built on the public ABI
// header alone and on the standard library; no test framework.
//
//     test_host::Console console;
//     test_host::Services services(&console);     // hand &services to the plug-in
//     test_host::BytesFile file(image);
//     test_host::TrackInfo info;
//     decoder->open(&file, &info, qarvel::OPEN_INFO | qarvel::OPEN_DECODE);
//     test_host::AudioChunk chunk;
//     while (decoder->decode(&chunk) == 1) { ...chunk.samples()... }
//
// Options make each object misbehave as a real host might: a file that reads short or does
// not know its size, a chunk that cannot provide storage.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "qarvel/plugin_abi.h"

namespace test_host {

// The console: records every line printed and counts its references.
class Console final : public qarvel::HostConsole {
  public:
    struct Line {
        int32_t severity;
        std::string message;
        std::string source;
    };

    int32_t release() override { return --references_; }
    int32_t add_reference() override { return ++references_; }
    qarvel::Service* query(const qarvel::ClassId& id) override {
        if (!(id == qarvel::kConsoleClassId)) return nullptr;
        add_reference();
        return this;
    }
    void print(int32_t severity, const char* message, const char* source) override {
        lines_.push_back({severity, message != nullptr ? message : "(null)",
                          source != nullptr ? source : "(null)"});
    }

    const std::vector<Line>& lines() const { return lines_; }
    std::vector<std::string> messages() const {
        std::vector<std::string> out;
        for (const Line& line : lines_) out.push_back(line.message);
        return out;
    }
    void clear() { lines_.clear(); }
    // References the plug-in took and has not given back.
    int32_t references() const { return references_; }

  private:
    std::vector<Line> lines_;
    int32_t references_ = 0;
};

// The service locator: finds the console (when there is one) and nothing else.
class Services final : public qarvel::HostServices {
  public:
    explicit Services(Console* console = nullptr) : console_(console) {}
    qarvel::Service* find_service(const qarvel::ClassId& id, uint32_t index) override {
        ++lookups_;
        if (console_ == nullptr || index != 0 || !(id == qarvel::kConsoleClassId)) {
            return nullptr;
        }
        console_->add_reference();
        return console_;
    }
    void set_console(Console* console) { console_ = console; }
    int lookups() const { return lookups_; }

  private:
    Console* console_;
    int lookups_ = 0;
};

// A file over a byte vector.
class BytesFile final : public qarvel::HostFile {
  public:
    explicit BytesFile(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}

    uint32_t read(void* destination, uint32_t byte_count) override {
        ++reads_;
        size_t n = std::min<size_t>(byte_count, bytes_.size() - position_);
        if (read_limit_) n = std::min<size_t>(n, *read_limit_);
        if (n > 0) std::memcpy(destination, bytes_.data() + position_, n);
        position_ += n;
        return static_cast<uint32_t>(n);
    }
    uint32_t size() override {
        ++size_queries_;
        if (reported_size_) return *reported_size_;
        return bytes_.size() >= qarvel::kUnknownFileSize ? qarvel::kUnknownFileSize
                                                         : static_cast<uint32_t>(bytes_.size());
    }

    // Every read copies at most `bytes` (a short read).
    BytesFile& limit_reads(uint32_t bytes) {
        read_limit_ = bytes;
        return *this;
    }
    // size() answers `bytes` whatever the vector holds (kUnknownFileSize: size unknown).
    BytesFile& report_size(uint32_t bytes) {
        reported_size_ = bytes;
        return *this;
    }
    int reads() const { return reads_; }
    int size_queries() const { return size_queries_; }

  private:
    std::vector<uint8_t> bytes_;
    size_t position_ = 0;
    std::optional<uint32_t> read_limit_;
    std::optional<uint32_t> reported_size_;
    int reads_ = 0;
    int size_queries_ = 0;
};

// The settings writer: keeps what the plug-in writes, whole and call by call.
class Writer final : public qarvel::HostWriter {
  public:
    uint32_t write(const void* bytes, uint32_t count) override {
        const uint8_t* p = static_cast<const uint8_t*>(bytes);
        writes.emplace_back(p, p + count);
        all.insert(all.end(), p, p + count);
        return count;
    }
    std::vector<std::vector<uint8_t>> writes;  // one entry per call
    std::vector<uint8_t> all;                  // every call's bytes in order
};

// The track-information sink: records tags, technical fields and lengths in call order.
class TrackInfo final : public qarvel::HostTrackInfo {
  public:
    enum class Kind { tag, technical, length };
    struct Entry {
        Kind kind;
        std::string name;  // empty for a length
        std::string value;
        double seconds = 0.0;
    };

    void set_tag(const char* name, const char* value) override {
        entries_.push_back({Kind::tag, name, value, 0.0});
    }
    void set_technical(const char* name, const char* value) override {
        entries_.push_back({Kind::technical, name, value, 0.0});
    }
    void set_length(double seconds) override {
        entries_.push_back({Kind::length, "", "", seconds});
    }

    const std::vector<Entry>& entries() const { return entries_; }
    // Names of the entries of one kind, in order.
    std::vector<std::string> names(Kind kind) const {
        std::vector<std::string> out;
        for (const Entry& e : entries_) {
            if (e.kind == kind) out.push_back(e.name);
        }
        return out;
    }
    std::vector<std::string> tag_names() const { return names(Kind::tag); }
    std::vector<std::string> technical_names() const { return names(Kind::technical); }
    // The value of the first entry of `kind` named `name`, or nothing.
    std::optional<std::string> value(Kind kind, const std::string& name) const {
        for (const Entry& e : entries_) {
            if (e.kind == kind && e.name == name) return e.value;
        }
        return std::nullopt;
    }
    std::optional<std::string> tag(const std::string& name) const { return value(Kind::tag, name); }
    std::optional<std::string> technical(const std::string& name) const {
        return value(Kind::technical, name);
    }
    std::vector<double> lengths() const {
        std::vector<double> out;
        for (const Entry& e : entries_) {
            if (e.kind == Kind::length) out.push_back(e.seconds);
        }
        return out;
    }

  private:
    std::vector<Entry> entries_;
};

// One block of audio. `Storage::grows` makes resize provide what is asked; `Storage::none`
// never provides storage (resize answers null), as a host out of memory would.
class AudioChunk final : public qarvel::HostAudioChunk {
  public:
    enum class Storage { grows, none };
    enum class Call { storage, capacity, resize, sample_rate, channel_count, frame_count };

    explicit AudioChunk(Storage mode = Storage::grows, uint32_t initial_capacity = 0)
        : mode_(mode) {
        if (mode_ == Storage::grows) samples_.assign(initial_capacity, kUnwritten);
    }

    double* storage() override {
        calls_.push_back(Call::storage);
        return samples_.empty() ? nullptr : samples_.data();
    }
    uint32_t capacity() override {
        calls_.push_back(Call::capacity);
        return static_cast<uint32_t>(samples_.size());
    }
    double* resize(uint32_t sample_count) override {
        calls_.push_back(Call::resize);
        ++resizes_;
        if (mode_ == Storage::none) return nullptr;
        samples_.assign(sample_count, kUnwritten);
        return samples_.empty() ? nullptr : samples_.data();
    }
    void set_sample_rate(uint32_t hz) override {
        calls_.push_back(Call::sample_rate);
        sample_rate_ = hz;
    }
    void set_channel_count(uint32_t channels) override {
        calls_.push_back(Call::channel_count);
        channels_ = channels;
    }
    void set_frame_count(uint32_t frames) override {
        calls_.push_back(Call::frame_count);
        frames_ = frames;
    }

    // What a sample holds before the plug-in writes it: not a value the plug-in produces.
    static constexpr double kUnwritten = -12345.0;

    const std::vector<double>& samples() const { return samples_; }
    uint32_t sample_rate() const { return sample_rate_; }
    uint32_t channels() const { return channels_; }
    uint32_t frames() const { return frames_; }
    int resizes() const { return resizes_; }
    const std::vector<Call>& calls() const { return calls_; }
    void forget_calls() { calls_.clear(); }

  private:
    Storage mode_;
    std::vector<double> samples_;
    uint32_t sample_rate_ = 0xFFFFFFFFu;  // "never set"
    uint32_t channels_ = 0xFFFFFFFFu;
    uint32_t frames_ = 0xFFFFFFFFu;
    int resizes_ = 0;
    std::vector<Call> calls_;
};

// What decoding a song to its end gave the host.
struct DecodedSong {
    std::vector<double> samples;  // interleaved, every delivered block in order
    uint32_t blocks = 0;          // decode calls that returned 1
    int32_t last_result = 1;      // 0 at the end, -1 on error, 1 when max_blocks cut it short
    uint32_t sample_rate = 0;     // of the last block delivered
};

// Calls decode until it returns something other than 1, or max_blocks blocks were delivered.
inline DecodedSong decode_to_end(qarvel::Decoder& decoder, uint32_t max_blocks) {
    DecodedSong song;
    AudioChunk chunk;
    while (song.blocks < max_blocks) {
        song.last_result = decoder.decode(&chunk);
        if (song.last_result != 1) break;
        ++song.blocks;
        const uint64_t count = uint64_t{chunk.frames()} * chunk.channels();
        const uint64_t available = std::min<uint64_t>(count, chunk.samples().size());
        song.samples.insert(song.samples.end(), chunk.samples().begin(),
                            chunk.samples().begin() + static_cast<ptrdiff_t>(available));
        song.sample_rate = chunk.sample_rate();
    }
    return song;
}

}  // namespace test_host
