#pragma once
// One code point to UTF-8, in the original six-byte scheme (RFC 2279): every value below 2^31
// is encodable, including surrogates and values past U+10FFFF; from 2^31 on nothing is.

#include <cstdint>

namespace tarnwick {

inline constexpr uint32_t kMaxUtf8Bytes = 6;

// Writes the UTF-8 bytes of `code_point` to `destination` (room for kMaxUtf8Bytes) and
// returns how many there are: 1 to 6, or 0 for a value of 2^31 or more. With a null
// destination only the count is returned.
uint32_t encode_utf8(uint32_t code_point, uint8_t* destination);

}  // namespace tarnwick
