#pragma once
// Voice rendering: each track player turns its single voice into output, span by span. The
// scheduler decides how long a span may be; inside a span step and gains are constant, so the
// mixing loops test nothing per frame but the ramp and the whole-frame position.
//
// Limits and deliberate choices:
// - Sample values are read through the fetch rule: an element that the sample does not hold
//   (before its first guard, past its last, or a sample without stored data) reads 0.0. A
//   voice never reads outside its stored frames, whatever its position.
// - One loop per interpolation mode (ResampleMode; any other value reads linear), chosen once
//   per span. A step below one frame per output frame uses a loop whose advance needs no
//   float-to-integer conversion; it yields exactly the same positions as the general loop.
// - Positions far outside any sample (huge or non-finite steps during a row delay) are carried
//   without undefined conversions: the whole-frame advance saturates, the voice reads zeros.
// - The history is reloaded only when the whole-frame position changes.
// - A render with no output block (dry run) runs rows, ticks and effects but leaves the
//   sample position and the ramp where they are.
// - Nothing here allocates. Output is added, never cleared or clipped.

#include <cstdint>

#include "engine/track_player.h"

namespace tarnwick {

// Consecutive empty spans after which render closes the current tick by itself. An empty span
// happens at most a few times in a row in a sound state; more means the tick's position can
// no longer move in float arithmetic (absurdly long ticks), and the track would stand still.
inline constexpr uint32_t kMaxEmptySpansInRow = 64;

// Largest frame count one render call serves (its result is a signed 32-bit count).
inline constexpr uint32_t kMaxRenderFrames = 0x7FFFFFFFu;

}  // namespace tarnwick
