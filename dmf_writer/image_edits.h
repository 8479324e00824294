#pragma once
// Edits of finished DMF images, for malformation tests: truncation, byte patches, finding a chunk.

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string_view>

#include "dmf_writer/byte_sink.h"

namespace tarnwick::writer {

// The first `size` bytes of the image (the whole image when it is shorter).
Bytes truncated(Bytes image, size_t size);

// Overwrites bytes at `offset`; the image grows when the patch runs past its end.
void patch_bytes(Bytes& image, size_t offset, std::initializer_list<uint8_t> bytes);
void patch_u16(Bytes& image, size_t offset, uint16_t value);
void patch_u32(Bytes& image, size_t offset, uint32_t value);

// Offset of the identifier of the `occurrence`-th chunk `id` (0 = first), found by walking
// the chunks from the end of the header by their length fields; the walk stops at "ENDE" or
// at a chunk that does not fit. Its length field is at +4, its payload at +8.
std::optional<size_t> find_chunk(const Bytes& image, std::string_view id, unsigned occurrence = 0);

}  // namespace tarnwick::writer
