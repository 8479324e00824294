#pragma once
// Volume ramp arithmetic shared by the mixing loops. A ramp smooths the voice's output (not
// its gains) from where it was toward the new value, with a coefficient that grows with the
// square of the elapsed fraction. Every ramp starts with ramp_counter = 1, so a ramp of
// length L >= 2 smooths L - 1 frames and a ramp of length 1 jumps straight to the target.
//
// A ramp toward silence is a geometric decay, and ramp after ramp it would sink into float's
// subnormal range, where the x87 edition cannot follow the SSE edition (its registers keep a
// wide exponent, so a value becomes subnormal only when it is stored, and where it is stored
// depends on how the compiler allocated registers). So the ramp's state is flushed to 0 below
// 2^-100 (-602 dB): with the state 0 or above that floor, no ramp operation's result can
// differ between editions or builds (a product small enough to be subnormal is below half a
// last bit of any state it is added to), and the engine keeps clear of the subnormal range.

#include <cmath>

#include "engine/track_player.h"

namespace tarnwick {

// The ramp's state below this magnitude is 0.
inline constexpr float kRampFloor = 0x1p-100f;

inline float above_ramp_floor(float state) {
    return std::fabs(state) < kRampFloor ? 0.0f : state;
}

// The ramp's coefficient for the current frame: (counter / length) squared.
inline float ramp_coefficient(const TrackPlayer& p) {
    const float t = static_cast<float>(p.ramp_counter) / static_cast<float>(p.ramp_length);
    return t * t;
}

// One ramp step on a frame just mixed into out_left/out_right (only while ramp_length != 0).
inline void ramp_step(TrackPlayer& p) {
    const float c = ramp_coefficient(p);
    p.ramp_counter += 1;
    p.ramp_from_left = above_ramp_floor((p.out_left - p.ramp_from_left) * c + p.ramp_from_left);
    p.out_left = p.ramp_from_left;
    p.ramp_from_right = above_ramp_floor((p.out_right - p.ramp_from_right) * c + p.ramp_from_right);
    p.out_right = p.ramp_from_right;
    if (p.ramp_counter >= p.ramp_length) p.ramp_length = 0;
}

// One frame of the fade-out of a silent voice toward 0 (only while ramp_length != 0). The
// caller adds out_left/out_right into the frame, then stops once ramp_length is 0.
inline void fade_out_step(TrackPlayer& p) {
    const float c = ramp_coefficient(p);
    p.ramp_from_left = above_ramp_floor((0.0f - p.ramp_from_left) * c + p.ramp_from_left);
    p.out_left = p.ramp_from_left;
    p.ramp_from_right = above_ramp_floor((0.0f - p.ramp_from_right) * c + p.ramp_from_right);
    p.out_right = p.ramp_from_right;
    p.ramp_counter += 1;
    if (p.ramp_counter >= p.ramp_length) p.ramp_length = 0;
}

}  // namespace tarnwick
