#pragma once
// The decoder service: the object through which the host plays one DMF file. It reads the
// whole file into memory, parses it, reports the song's length and track information, and
// hands the host 512 stereo frames per decode call as 64-bit samples.
//
// Limits and deliberate choices:
// - One open per service. A later open returns false at once and changes nothing: the first
//   open's song (and its output block, if any) stays as it was.
// - Decode on a service that has no output block (never opened with OPEN_DECODE, or its open
//   failed) returns 0, the end of the song, and leaves the chunk untouched.
// - A file whose size the host reports as kUnknownFileSize (unknown, or 4 GiB - 1 bytes and
//   more) is refused before anything is allocated or read, silently, as the loader refuses a
//   file that is not a song.
// - The file is read in one call. A read that returns fewer bytes than asked leaves the rest
//   of the image zero, and the loader judges what it got.
// - The settings are read once, at the start of open (see decoder_settings.h); an "srate" of
//   0 or below decodes at the default rate.
// - The last block of a song is padded with silence to 512 frames; the next decode returns 0.
//   A looping song never ends.
// - A chunk that cannot hold 1024 samples is emptied and decode still returns 1.
// - No seeking: playback starts at the first order and runs forward.
// - Decode allocates nothing; the output block is allocated once, by the open.

#include <atomic>
#include <cstdint>

#include "decoder/decoder_memory.h"
#include "decoder/decoder_settings.h"
#include "loader/module.h"
#include "qarvel/plugin_abi.h"

namespace tarnwick {

inline constexpr uint32_t kDecodeBlockFrames = 512;
inline constexpr uint32_t kDecodeChannels = 2;
inline constexpr uint32_t kDecodeBlockSamples = kDecodeBlockFrames * kDecodeChannels;

inline constexpr const char* kMessageNoFileMemory = "Unable to buffer file in memory.";
inline constexpr const char* kMessageNoBlockMemory = "Couldn't allocate audio buffer.";
inline constexpr const char* kMessageRenderError = "Rendering error";

class DecoderService final : public qarvel::Decoder {
  public:
    // Slot 0. Drops a reference; at zero the service frees its block, its song and itself.
    int32_t release() noexcept override;
    // Slot 1.
    int32_t add_reference() noexcept override;
    // Slot 2. Itself, with a reference added, for kDecoderClassId; null for any other id.
    qarvel::Service* query(const qarvel::ClassId& id) noexcept override;
    // Slot 3.
    bool open(qarvel::HostFile* file, qarvel::HostTrackInfo* info,
              uint32_t flags) noexcept override;
    // Slot 4.
    bool reserved_slot_4(uint32_t, uint32_t) noexcept override { return false; }
    // Slot 5. True exactly for a three-letter extension equal to "DMF" in any letter case.
    bool is_own_type(const char* path, const char* extension) noexcept override;
    // Slot 6.
    int32_t reserved_slot_6(uint32_t, uint32_t) noexcept override { return 1; }
    // Slot 7.
    bool reserved_slot_7() noexcept override { return true; }
    // Slot 8.
    int32_t decode(qarvel::HostAudioChunk* chunk) noexcept override;
    // Slot 9.
    bool reserved_slot_9(uint32_t, uint32_t) noexcept override { return false; }
    // Slot 10.
    bool reserved_slot_10() noexcept override { return false; }
    // Slot 11.
    void reserved_slot_11() noexcept override {}
    // Slot 12.
    bool reserved_slot_12(uint32_t, uint32_t, uint32_t) noexcept override { return false; }

    // For diagnostics and tests.
    const Module& module() const { return module_; }
    bool has_output_block() const { return output_block_ != nullptr; }
    uint32_t output_rate() const { return output_rate_; }

  private:
    friend DecoderService* create_decoder_service(const DecoderMemory& memory);
    explicit DecoderService(const DecoderMemory& memory) : memory_(memory) {}
    ~DecoderService();
    DecoderService(const DecoderService&) = delete;
    DecoderService& operator=(const DecoderService&) = delete;

    // Reads the file and loads the song; false when it is refused.
    bool load(qarvel::HostFile& file);
    void configure(const DecoderSettings& settings, bool no_loop_flag);
    void deliver(qarvel::HostAudioChunk& chunk) const;

    Module module_;
    float* output_block_ = nullptr;  // kDecodeBlockSamples floats, from memory_
    uint32_t output_rate_ = 0;
    std::atomic<int32_t> references_{1};
    bool opened_ = false;
    DecoderMemory memory_;
};

// A new decoder service with one reference, the caller's; null when out of memory. Its
// memory, and that of its file image and output block, comes from `memory`.
DecoderService* create_decoder_service(const DecoderMemory& memory = ordinary_decoder_memory());

}  // namespace tarnwick
