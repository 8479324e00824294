#include "shell/utf8.h"

namespace tarnwick {

uint32_t encode_utf8(uint32_t code_point, uint8_t* destination) {
    uint32_t count;
    if (code_point < (1u << 7)) {
        count = 1;
    } else if (code_point < (1u << 11)) {
        count = 2;
    } else if (code_point < (1u << 16)) {
        count = 3;
    } else if (code_point < (1u << 21)) {
        count = 4;
    } else if (code_point < (1u << 26)) {
        count = 5;
    } else if (code_point < (1u << 31)) {
        count = 6;
    } else {
        return 0;
    }
    if (destination == nullptr) return count;
    if (count == 1) {
        destination[0] = static_cast<uint8_t>(code_point);
        return 1;
    }
    // Continuation bytes carry six bits each, the lowest bits last.
    uint32_t rest = code_point;
    for (uint32_t i = count - 1; i > 0; --i) {
        destination[i] = static_cast<uint8_t>(0x80u | (rest & 0x3Fu));
        rest >>= 6;
    }
    // The lead byte: `count` one-bits, a zero, then the remaining high bits.
    const uint32_t lead_marker = (0xFF00u >> count) & 0xFFu;
    destination[0] = static_cast<uint8_t>(lead_marker | rest);
    return count;
}

}  // namespace tarnwick
