#include "shell/number_text.h"

#include <charconv>

namespace tarnwick {

uint32_t unsigned_to_text(uint64_t value, uint32_t base, char* out) {
    out[0] = '\0';
    if (base < 2 || base > 36) return 0;
    // 64 binary digits at the most, so the scratch area always has room.
    const std::to_chars_result result =
        std::to_chars(out, out + kNumberScratchBytes - 1, value, static_cast<int>(base));
    *result.ptr = '\0';
    return static_cast<uint32_t>(result.ptr - out);
}

uint32_t integer_to_text(int64_t value, uint32_t base, char* out) {
    if (base != 10 || value >= 0) return unsigned_to_text(static_cast<uint64_t>(value), base, out);
    // The magnitude of the most negative value only fits unsigned.
    const uint64_t magnitude = 0 - static_cast<uint64_t>(value);
    out[0] = '-';
    return 1 + unsigned_to_text(magnitude, 10, out + 1);
}

uint32_t real_to_text(double value, int32_t digits, char* out) {
    if (digits < 1) digits = 1;
    if (digits > 17) digits = 17;
    const std::to_chars_result result = std::to_chars(out, out + kNumberScratchBytes - 1, value,
                                                      std::chars_format::general, digits);
    if (result.ec != std::errc()) {
        out[0] = '\0';
        return 0;
    }
    *result.ptr = '\0';
    return static_cast<uint32_t>(result.ptr - out);
}

}  // namespace tarnwick
