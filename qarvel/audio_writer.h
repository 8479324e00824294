#pragma once
// Where rendered audio goes: WAV (the built-in writer, on every platform), FLAC (through
// libsndfile where the build has it), or raw little-endian 32-bit float interleaved samples, to
// a file, a device or FIFO, or standard output (qarvel/output_file.h says how each is written).
//
// Limits and choices:
// - WAV is 32-bit float unless 16-bit output is asked for: the plug-in never clips, so float
//   keeps everything it delivers. FLAC holds integers only: 24-bit, or 16-bit when asked.
//   Integer output clips to full scale and counts the samples it clipped.
// - WAV headers are the plain form every reader takes: a float file's format chunk carries its
//   extension size (0) and a fact chunk. A JUNK chunk keeps room for the ds64 chunk, so that a
//   file whose data passes 4 GiB becomes RF64 at the end without moving its samples. libsndfile
//   writes no float header that sox accepts without a warning, which is why WAV is ours.
// - Title, artist and date go into WAV as a LIST/INFO chunk (INAM, IART, ICRD) and into FLAC as
//   Vorbis comments (TITLE, ARTIST, DATE); raw output has none.
// - Raw output narrows each 64-bit value to 32 bits, which is exact for what the plug-in
//   computes in 32-bit floats, and streams block by block.
// - FLAC streams to standard output (its STREAMINFO then leaves the length and MD5 unset, as a
//   stream's does). WAV to a stream is assembled in memory and written at the end, since its
//   header comes last.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qarvel_cli {

enum class AudioFormat { wav, flac, f32 };

// The file name extension of a format, without the dot.
inline const char* format_extension(AudioFormat format) {
    switch (format) {
        case AudioFormat::wav:
            return "wav";
        case AudioFormat::flac:
            return "flac";
        case AudioFormat::f32:
            return "f32";
    }
    return "wav";
}

// The format an output file name asks for by its extension (any letter case: .wav, .flac, .f32
// or .raw); nullopt with `extension` set when the name has an extension that is none of them,
// nullopt with `extension` empty when it has none.
std::optional<AudioFormat> format_of_name(const std::string& path, std::string* extension);

struct AudioTags {
    std::string title;
    std::string artist;
    std::string date;  // YYYY-MM-DD
};

class AudioWriter {
  public:
    virtual ~AudioWriter() = default;
    // Tags for the file; before begin().
    virtual void set_tags(const AudioTags& tags) { (void)tags; }
    // Starts the output at `rate` Hz with `channels` channels; false with the reason in `error`.
    virtual bool begin(uint32_t rate, uint32_t channels, std::string* error) = 0;
    // Appends `frames` interleaved frames.
    virtual bool write(const double* samples, uint32_t frames, std::string* error) = 0;
    // Completes the output; false with the reason when it could not be completed.
    virtual bool finish(std::string* error) = 0;
    // Abandons the output, removing any partial file.
    virtual void abandon() = 0;
    // Samples clipped to full scale so far (integer formats only).
    virtual uint64_t clipped_samples() const { return 0; }
};

// The build's writer for `path` ("-" for standard output); nullptr for a format this build
// cannot write (FLAC without libsndfile).
std::unique_ptr<AudioWriter> make_audio_writer(AudioFormat format, bool pcm16,
                                               const std::string& path);

// Whether this build writes FLAC (only through libsndfile).
bool flac_available();

// The writers themselves. The built-in one writes WAV and raw f32 with no library (nullptr for
// FLAC); every build has it. The libsndfile one writes FLAC (nullptr for the others) and exists
// only where the build links libsndfile.
std::unique_ptr<AudioWriter> make_builtin_audio_writer(AudioFormat format, bool pcm16,
                                                       const std::string& path);
std::unique_ptr<AudioWriter> make_sndfile_audio_writer(AudioFormat format, bool pcm16,
                                                       const std::string& path);

// The built-in writer's WAV header for `data_bytes` bytes of samples: RIFF while the whole file
// stays within 4 GiB, RF64 (with its ds64 chunk) beyond; the same length either way.
std::vector<unsigned char> wav_header(uint32_t rate, uint32_t channels, bool pcm16,
                                      const AudioTags& tags, uint64_t data_bytes);

}  // namespace qarvel_cli
