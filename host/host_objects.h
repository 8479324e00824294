#pragma once
// The host-side objects of the plug-in ABI as the stand-in host provides them: a console that
// prints to standard error, files over disk or memory, a track-information recorder, an audio
// block buffer, a text result and a byte writer. Built on the public ABI header alone.
//
// Limits and choices:
// - Nothing here throws across a slot: where the standard library could throw (a vector
//   growing), the failure is caught and answered as the slot allows (null storage, false,
//   fewer bytes taken).
// - A disk file is read through stdio, never loaded whole by the host; its size is the one
//   fstat reports when the file was opened. Only a regular file is opened: a FIFO, a device or
//   a folder is refused before anything could wait on it (the path is opened without waiting
//   and examined before the first read), and so is a file larger than any song.
// - The console serialises its lines, so that decoders running on several threads do not
//   interleave their messages.

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "qarvel/plugin_abi.h"

namespace standin {

// Prints "qarvel: SONG: source: message" to standard error (SONG as ConsoleSubject set it, when
// it did; `source` is the plug-in's file). Static: references always answer 1.
class StderrConsole final : public qarvel::HostConsole {
  public:
    int32_t release() override { return 1; }
    int32_t add_reference() override { return 1; }
    qarvel::Service* query(const qarvel::ClassId& id) override;
    void print(int32_t severity, const char* message, const char* source) override;

  private:
    std::mutex lock_;
};

// The service locator: finds the console and nothing else.
class ConsoleServices final : public qarvel::HostServices {
  public:
    explicit ConsoleServices(qarvel::HostConsole* console) : console_(console) {}
    qarvel::Service* find_service(const qarvel::ClassId& id, uint32_t index) override;

  private:
    qarvel::HostConsole* console_;
};

// A file over bytes the host already holds (the embedded demo song); the bytes stay the
// caller's and must outlive the object.
class MemoryFile final : public qarvel::HostFile {
  public:
    MemoryFile(const uint8_t* bytes, size_t size) : bytes_(bytes), size_(size) {}
    uint32_t read(void* destination, uint32_t byte_count) override;
    uint32_t size() override;

  private:
    const uint8_t* bytes_;
    size_t size_;
    size_t position_ = 0;
};

// A file on disk, opened for reading by open(); closed with the object.
class DiskFile final : public qarvel::HostFile {
  public:
    // Larger files are refused before any of their bytes are read: songs take a few MB.
    static constexpr uint64_t kLargestFile = 250'000'000;

    DiskFile() = default;
    DiskFile(const DiskFile&) = delete;
    DiskFile& operator=(const DiskFile&) = delete;
    ~DiskFile();
    // False (with a one-line reason in `error`) when the path cannot be opened, is not a
    // regular file ("a FIFO", "a folder", ...) or holds more than `largest` bytes. Never waits:
    // a FIFO without a writer is refused at once.
    bool open(const std::string& path, std::string* error, uint64_t largest = kLargestFile);
    uint32_t read(void* destination, uint32_t byte_count) override;
    uint32_t size() override;
    // The size fstat reported at open.
    uint64_t byte_size() const { return size_; }
    // Reads up to `count` bytes from the start and goes back to the start; the bytes read.
    size_t peek(void* destination, size_t count);

  private:
    std::FILE* file_ = nullptr;
    uint64_t size_ = 0;
};

// What kind of thing `path` names when it is not a regular file ("a folder", "a FIFO", "a
// character device", ...), for messages; "" for a regular file or a path that is not there.
std::string non_file_kind(const std::string& path);

// The song a thread works on, named in the console lines the plug-in prints meanwhile; set for
// the object's life.
class ConsoleSubject {
  public:
    explicit ConsoleSubject(const std::string& name);
    ~ConsoleSubject();
    ConsoleSubject(const ConsoleSubject&) = delete;
    ConsoleSubject& operator=(const ConsoleSubject&) = delete;

  private:
    std::string previous_;
};

// What an open reported: the length and the tags and technical fields in the order given.
class TrackReport final : public qarvel::HostTrackInfo {
  public:
    using Fields = std::vector<std::pair<std::string, std::string>>;

    void set_tag(const char* name, const char* value) override;
    void set_technical(const char* name, const char* value) override;
    void set_length(double seconds) override;

    double length_seconds() const { return length_seconds_; }
    const Fields& tags() const { return tags_; }
    const Fields& technical() const { return technical_; }

  private:
    double length_seconds_ = 0.0;
    Fields tags_;
    Fields technical_;
};

// One block of decoded audio, reused from block to block.
class BlockBuffer final : public qarvel::HostAudioChunk {
  public:
    double* storage() override { return samples_.empty() ? nullptr : samples_.data(); }
    uint32_t capacity() override { return static_cast<uint32_t>(samples_.size()); }
    double* resize(uint32_t sample_count) override;
    void set_sample_rate(uint32_t hz) override { sample_rate_ = hz; }
    void set_channel_count(uint32_t channels) override { channels_ = channels; }
    void set_frame_count(uint32_t frames) override { frames_ = frames; }

    const double* samples() const { return samples_.data(); }
    uint32_t sample_rate() const { return sample_rate_; }
    uint32_t channels() const { return channels_; }
    uint32_t frames() const { return frames_; }
    // Whether the block's announced frames and channels fit in its storage.
    bool consistent() const;
    // Drops the block's first `frames` frames (all of them when it has fewer); the rest move
    // to the front. Only for a consistent block.
    void drop_front(uint64_t frames);

  private:
    std::vector<double> samples_;
    uint32_t sample_rate_ = 0;
    uint32_t channels_ = 0;
    uint32_t frames_ = 0;
};

// A text the plug-in assigns (the component-version service's answers).
class TextResult final : public qarvel::HostTextResult {
  public:
    const char* text() const override { return text_.c_str(); }
    bool append(const char* text, uint32_t limit) override;
    bool assign(const char* text, uint32_t limit) override;
    void truncate(uint32_t new_length) override;
    uint32_t length() const override { return static_cast<uint32_t>(text_.size()); }

    const std::string& str() const { return text_; }

  private:
    std::string text_;
};

// Collects the bytes of a settings save.
class ByteWriter final : public qarvel::HostWriter {
  public:
    uint32_t write(const void* bytes, uint32_t count) override;
    const std::vector<uint8_t>& bytes() const { return bytes_; }

  private:
    std::vector<uint8_t> bytes_;
};

}  // namespace standin
