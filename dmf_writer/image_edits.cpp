#include "dmf_writer/image_edits.h"

#include <cstring>

namespace tarnwick::writer {

Bytes truncated(Bytes image, size_t size) {
    if (image.size() > size) image.resize(size);
    return image;
}

void patch_bytes(Bytes& image, size_t offset, std::initializer_list<uint8_t> bytes) {
    if (image.size() < offset + bytes.size()) image.resize(offset + bytes.size());
    size_t i = offset;
    for (uint8_t b : bytes) image[i++] = b;
}

void patch_u16(Bytes& image, size_t offset, uint16_t value) {
    patch_bytes(image, offset,
                {static_cast<uint8_t>(value & 0xFF), static_cast<uint8_t>(value >> 8)});
}

void patch_u32(Bytes& image, size_t offset, uint32_t value) {
    patch_bytes(image, offset,
                {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                 static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)});
}

std::optional<size_t> find_chunk(const Bytes& image, std::string_view id, unsigned occurrence) {
    size_t pos = 66;  // the header
    while (pos + 4 <= image.size()) {
        bool match = id.size() == 4 && std::memcmp(&image[pos], id.data(), 4) == 0;
        if (match && occurrence-- == 0) return pos;
        if (std::memcmp(&image[pos], "ENDE", 4) == 0) return std::nullopt;
        if (pos + 8 > image.size()) return std::nullopt;
        uint32_t length = static_cast<uint32_t>(image[pos + 4]) |
                          static_cast<uint32_t>(image[pos + 5]) << 8 |
                          static_cast<uint32_t>(image[pos + 6]) << 16 |
                          static_cast<uint32_t>(image[pos + 7]) << 24;
        pos += 8 + static_cast<size_t>(length);
    }
    return std::nullopt;
}

}  // namespace tarnwick::writer
