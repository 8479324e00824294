#include "shell/parse_decimal.h"

#include <cmath>
#include <cstdint>

namespace tarnwick {
namespace {

// Beyond these the result is 0 or infinite whatever the digits say.
constexpr int32_t kExponentBound = 100000;
// Accumulating stops before 10 * value + 9 could leave 64 bits.
constexpr uint64_t kAccumulatorLimit = (UINT64_MAX - 9) / 10;
// Powers of ten up to here are exact doubles, so dividing by one rounds once.
constexpr int32_t kExactPowerOfTen = 22;

bool is_space(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}
bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

int32_t clamp_exponent(int64_t e) {
    if (e > kExponentBound) return kExponentBound;
    if (e < -kExponentBound) return -kExponentBound;
    return static_cast<int32_t>(e);
}

// The exponent after "E", read as atoi reads a number (white space, a sign, digits), held to
// the exponent bound instead of overflowing.
int32_t read_exponent(const char* p) {
    while (is_space(*p)) ++p;
    bool negative = false;
    if (*p == '-' || *p == '+') negative = *p++ == '-';
    int64_t value = 0;
    for (; is_digit(*p); ++p) {
        if (value <= kExponentBound) value = value * 10 + (*p - '0');
    }
    return clamp_exponent(negative ? -value : value);
}

}  // namespace

double parse_decimal(const char* text) {
    if (text == nullptr) return 0.0;
    const char* p = text;
    while (*p == ' ') ++p;
    bool negative = false;
    if (*p == '-') {
        negative = true;
        ++p;
    } else if (*p == '+') {
        ++p;
    }

    uint64_t accumulator = 0;
    int64_t exponent = 0;
    bool after_separator = false;
    for (;; ++p) {
        const char c = *p;
        if (is_digit(c)) {
            if (accumulator <= kAccumulatorLimit) {
                accumulator = accumulator * 10 + static_cast<uint64_t>(c - '0');
                if (after_separator) --exponent;
            } else if (!after_separator) {
                ++exponent;  // a digit too many to hold still scales the value
            }
        } else if ((c == '.' || c == ',') && !after_separator) {
            after_separator = true;
        } else {
            if (c == 'E' || c == 'e') exponent += read_exponent(p + 1);
            break;
        }
    }

    if (accumulator == 0) return 0.0;  // whatever the exponent: no 0 x infinity
    const int32_t e = clamp_exponent(exponent);
    double value = static_cast<double>(accumulator);
    if (negative) value = -value;
    if (e < 0 && e >= -kExactPowerOfTen) return value / std::pow(10.0, -e);
    return std::pow(10.0, e) * value;
}

}  // namespace tarnwick
