#pragma once
// Samples described by their frames and encoded into an "SMPI" entry and an "SMPD" block.
//
// Loop points are the file's values: for 8-bit storages frame + 1, for 16-bit storage bytes
// (`loop` fills them from frame indices). Flags are derived from `looping` and `storage`
// unless `flags` overrides them. Frames are integers in the storage's range (-128..127 for
// pcm8 and packed, -32768..32767 for pcm16); `from_floats` quantizes values in [-1, 1).
// The `unsupported` storage writes its frames as 8-bit bytes, which the loader never reads.
// A sample without frames gets an empty block (byte count 0) in every storage.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "dmf_writer/byte_sink.h"
#include "dmf_writer/packed_sample_encoder.h"

namespace tarnwick::writer {

enum class Storage : uint8_t { pcm8, pcm16, packed, unsupported };

struct SampleDesc {
    std::string name;          // raw bytes, NULs allowed; its size is the name length byte
    std::string library_name;  // 8 raw bytes (NUL padded), written only for version 8 files
    Storage storage = Storage::pcm8;
    std::vector<int16_t> frames;
    bool looping = false;
    uint32_t file_loop_start = 0;  // as stored: frame + 1, or for pcm16 a byte count
    uint32_t file_loop_end = 0;
    uint16_t rate = 8363;  // Hz at pitch 576 (note 37)
    uint8_t volume = 255;
    TreeShape tree = TreeShape::huffman;   // code tree for the packed storage
    std::array<uint8_t, 6> reserved = {};  // the six bytes the loader skips

    // Malformations: fields written instead of the derived ones.
    std::optional<uint8_t> name_length;  // the name length byte; `name` is still written whole
    std::optional<uint8_t> flags;
    std::optional<uint32_t> stored_size;  // the entry's size S
    std::optional<Bytes> block;           // the "SMPD" block bytes
    std::optional<uint32_t> block_size;   // the block's byte count B

    static SampleDesc pcm8(std::string name, std::span<const int8_t> frames);
    static SampleDesc pcm16(std::string name, std::span<const int16_t> frames);
    static SampleDesc packed(std::string name, std::span<const int8_t> frames,
                             TreeShape tree = TreeShape::huffman);
    // Quantizes [-1, 1) to the storage's integers (x 128 or x 32768, rounded, clamped).
    static SampleDesc from_floats(std::string name, Storage storage, std::span<const float> frames);

    // Loops from frame `first` to frame `last` (inclusive), as the storage counts them.
    SampleDesc& loop(uint32_t first, uint32_t last);

    uint8_t derived_flags() const;
    uint32_t stored_size_field() const;
    // The frames as the storage keeps them (the block unless `block` overrides it).
    Bytes encoded_block() const;
    std::vector<int8_t> frames8() const;  // frames as bytes (aborts when one does not fit)
};

// One "SMPI" entry; `library_names` adds the 8-byte library name (version 8 files).
Bytes encode_sample_entry(const SampleDesc& sample, bool library_names);
// One "SMPD" block: byte count B and the bytes.
Bytes encode_sample_block(const SampleDesc& sample);

}  // namespace tarnwick::writer
