#pragma once
// Conversions of reals to integers that the playback arithmetic takes "as unsigned" or "low
// 32 bits". A direct float-to-unsigned cast is undefined once the value leaves the target's
// range, so every conversion goes through a 64-bit signed integer first; NaN gives 0 and a
// value beyond the 64-bit range saturates, so no input is undefined.

#include <cstdint>

namespace tarnwick {

// Truncates toward zero into a 64-bit signed integer; NaN gives 0, out-of-range saturates.
inline int64_t truncate_real_to_i64(double x) {
    if (!(x == x)) return 0;                            // NaN
    if (x >= 9223372036854775807.0) return INT64_MAX;   // 2^63 and beyond
    if (x <= -9223372036854775808.0) return INT64_MIN;  // -2^63 and below
    return static_cast<int64_t>(x);
}

// The low 32 bits of the truncated value: a negative value wraps as in unsigned arithmetic.
inline uint32_t truncate_real_to_u32(double x) {
    return static_cast<uint32_t>(truncate_real_to_i64(x));
}

// trunc(x) as an unsigned count that stops at both ends: negative or NaN gives 0, 2^32 and
// beyond give 0xFFFFFFFF.
inline uint32_t saturate_real_to_u32(float x) {
    if (!(x > 0.0f)) return 0;
    if (x >= 4294967296.0f) return 0xFFFFFFFFu;
    return static_cast<uint32_t>(static_cast<int64_t>(x));
}

// The low 32 bits of the truncated value read as signed.
inline int32_t truncate_real_to_i32(double x) {
    return static_cast<int32_t>(static_cast<uint32_t>(truncate_real_to_i64(x)));
}

}  // namespace tarnwick
