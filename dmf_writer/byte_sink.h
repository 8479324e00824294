#pragma once
// Little-endian byte appends shared by the DMF writer's encoders.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace tarnwick::writer {

using Bytes = std::vector<uint8_t>;

inline void put_u8(Bytes& out, uint8_t v) {
    out.push_back(v);
}

inline void put_u16(Bytes& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v & 0xFF));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

inline void put_u32(Bytes& out, uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

inline void put_bytes(Bytes& out, const Bytes& bytes) {
    out.insert(out.end(), bytes.begin(), bytes.end());
}

// Exactly `width` bytes: the text's bytes (NULs included), cut at `width`, padded with NUL.
inline void put_fixed_text(Bytes& out, std::string_view text, size_t width) {
    for (size_t i = 0; i < width; ++i)
        out.push_back(i < text.size() ? static_cast<uint8_t>(text[i]) : uint8_t{0});
}

// Stops the test program: the writer was asked for something it cannot express. Test support
// only; the plug-in never aborts.
[[noreturn]] void writer_misuse(const char* what);

}  // namespace tarnwick::writer
