#pragma once
// Where rendered audio goes: WAV or FLAC (through libsndfile where the build has it), or raw
// little-endian 32-bit float interleaved samples, to a file or to standard output.
//
// Limits and choices:
// - WAV is 32-bit float unless 16-bit output is asked for: the plug-in never clips, so float
//   keeps everything it delivers. FLAC holds integers only: 24-bit, or 16-bit when asked.
//   Integer output clips to full scale and counts the samples it clipped.
// - Raw output narrows each 64-bit value to 32 bits, which is exact for what the plug-in
//   computes in 32-bit floats, and streams block by block.
// - WAV and FLAC to standard output are assembled in memory and written at the end, since
//   their headers are completed after the last sample.
// - A file is written under a temporary name and renamed into place at the end, so that a
//   failed render leaves no half-written file behind.

#include <cstdint>
#include <memory>
#include <string>

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

class AudioWriter {
  public:
    virtual ~AudioWriter() = default;
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

// A writer for `path` ("-" for standard output): libsndfile's where the build has it, the
// built-in writer otherwise; nullptr for a format this build cannot write.
std::unique_ptr<AudioWriter> make_audio_writer(AudioFormat format, bool pcm16,
                                               const std::string& path);

// Whether this build writes FLAC (only through libsndfile).
bool flac_available();

// The writers themselves. The built-in one writes WAV and raw f32 with no library (nullptr for
// FLAC); every build has it. The libsndfile one exists only where the build links libsndfile.
std::unique_ptr<AudioWriter> make_builtin_audio_writer(AudioFormat format, bool pcm16,
                                                       const std::string& path);
std::unique_ptr<AudioWriter> make_sndfile_audio_writer(AudioFormat format, bool pcm16,
                                                       const std::string& path);

}  // namespace qarvel_cli
