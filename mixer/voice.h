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
#include "engine/track_player_set.h"

namespace tarnwick {

// Consecutive empty spans after which render closes the current tick by itself. An empty span
// happens at most a few times in a row in a sound state; more means the tick's position can
// no longer move in float arithmetic (absurdly long ticks), and the track would stand still.
inline constexpr uint32_t kMaxEmptySpansInRow = 64;

// Largest frame count one render call serves (its result is a signed 32-bit count).
inline constexpr uint32_t kMaxRenderFrames = 0x7FFFFFFFu;

// Renders `frames` frames of every player of the set into out, as the players' own render
// calls one after the other would (the same frames, added in track order, and the same player
// states afterwards), but mixing the tracks side by side. Returns the last player's result,
// 0 for an empty set, or -1 as soon as a player fails: the players have then been rendered up
// to the frame of the failure, and the failing player fails again when it is asked again.
int32_t render_tracks(const TrackPlayerSet& players, float* out, uint32_t frames);

// Between the mixer's files: the ramp seeding that starts every mixed span; the mixing of n
// frames (1..kPassFrames) of several players' current spans into out, in the order given;
// and what a span mixed in passes needs at its end.
struct PassVoice {
    TrackPlayer* player;
    // The span's passes so far were mixed in two stages, which move the read position but
    // leave the history to be loaded at the span's end.
    bool history_pending = false;
};
void seed_ramp(TrackPlayer& p);
void mix_pass(PassVoice* voices, uint32_t count, float* out, uint32_t n);
void end_two_stage_span(PassVoice& v);

}  // namespace tarnwick
