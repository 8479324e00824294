#pragma once
// The effect interpreter's families, one file each: the note and volume bytes and the cell's
// dispatch (cell_events.cpp), the global track (effects_global.cpp), instrument effects
// (effects_instrument.cpp), note effects (effects_note.cpp) and volume effects
// (effects_volume.cpp). The effects that run between rows own their start, step and stop in
// a file of their own: the vibrato/tremolo/panbrello modulators (modulators.cpp) and the note
// and volume gates (gates.cpp); the family files only dispatch to them.
//
// Effects run at every tick of their row (row_pos 0, 64, 128, 192). Those that act once per
// row test the row position themselves, and the test differs from effect to effect: some
// act while row_pos < 63, others while row_pos <= 63. Both pass only on the first tick, but
// the distinction is kept as each effect defines it. No effect remembers an earlier
// parameter, and nothing here allocates or fails.

#include <cstdint>

#include "engine/track_player.h"

namespace tarnwick {

// First-tick tests: "row_pos < 63" and "row_pos <= 63".
inline bool first_tick_below_63(const TrackPlayer& p) {
    return p.row_pos < 63.0f;
}
inline bool first_tick_up_to_63(const TrackPlayer& p) {
    return p.row_pos <= 63.0f;
}

// Pitch change of a slide parameter: p * 16 * 0.015625, a quarter pitch unit per step.
inline float slide_pitch_units(uint8_t param) {
    return static_cast<float>(static_cast<int32_t>(param) * 16) * 0.015625f;
}

// Volume, panning and tempo slides move by a quarter per parameter step.
inline float slide_quarters(uint8_t param) {
    return static_cast<float>(param) * 0.25f;
}

// Phase increment per modulator step: one cycle every hi + 1 rows (eight steps per row).
inline float modulator_speed(uint8_t param) {
    return 1.0f / static_cast<float>(((param >> 4) + 1) * 8);
}

void apply_instrument_effect(TrackPlayer& p, uint8_t type, uint8_t param);
void apply_note_effect(TrackPlayer& p, uint8_t type, uint8_t param);
void apply_volume_effect(TrackPlayer& p, uint8_t type, uint8_t param);

// The modulator waveform `wave` (1 sine, 2 triangle, 3 square) at phase x in [0, 1); any
// other wave value gives 0.
float modulator_wave(int32_t wave, float x);

}  // namespace tarnwick
