#pragma once
// Numbers to text in small scratch areas, for the text builder and the formatter.
//
// Integers: digits 0-9 then lower-case a-z, bases 2 to 36; a minus sign only in base 10, other
// bases show a negative value as its 64-bit two's complement. Another base gives no text.
// Reals: the shortest text with at most `digits` significant digits (1 to 17; others are
// brought into that range), in the C "%g" manner: plain form while the decimal exponent is
// from -4 to digits - 1, exponent form ("1.5e+20", "2e-05") otherwise, trailing zeros and a
// bare decimal point dropped ("1", not "1."), "." as the decimal point whatever the locale,
// "inf", "-inf", "nan" and "-nan" for infinities and NaNs.

#include <cstdint>

namespace tarnwick {

// Room for any text these functions write, terminator included.
inline constexpr uint32_t kNumberScratchBytes = 64;

// Writes `value` in `base` to `out` (kNumberScratchBytes), NUL-terminated; returns its length
// (0 for an unsupported base).
uint32_t integer_to_text(int64_t value, uint32_t base, char* out);

// The same for an unsigned value (no sign in any base).
uint32_t unsigned_to_text(uint64_t value, uint32_t base, char* out);

// Writes `value` with at most `digits` significant digits to `out` (kNumberScratchBytes),
// NUL-terminated; returns its length.
uint32_t real_to_text(double value, int32_t digits, char* out);

}  // namespace tarnwick
