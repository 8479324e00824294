// A cell's note byte and volume byte, and the order in which a tick applies a cell.
#include "engine/effect_types.h"
#include "engine/effects.h"
#include "engine/track_player.h"

namespace tarnwick {

void TrackPlayer::apply_note(uint8_t note) {
    if (note >= note_value::kFirstNote && note <= note_value::kLastNote) {
        // The sample is not restarted: that is the instrument byte's work.
        fine_tune = 0.0f;
        pitch = static_cast<float>((note - 1) * 16);
        note_on = true;
        pitch_dirty = true;
    } else if (note >= note_value::kFirstTarget && note <= note_value::kLastTarget) {
        porta_target = static_cast<float>((note - 128) * 16);
    } else if (note == note_value::kNoteOff) {
        // Silent at once; the sample stays selected and the output ramps down.
        step = 0.0f;
        note_on = false;
        if (ramp_enabled) {
            start_ramp(1.0f);
            ramp_full = true;
        }
    }
}

bool TrackPlayer::apply_cell() {
    const Cell& cell = current_cell();

    // Volume byte, first tick. With a restart-sample effect beside an instrument number the
    // byte is left to the trigger's rules.
    if (first_tick_below_63(*this) && cell.volume != 0 &&
        (cell.instrument == 0 || cell.instrument_effect != instrument_effect::kRestartSample)) {
        volume = static_cast<float>(cell.volume);
        if (!volume_gate_muted()) gains_dirty = true;
    }

    if (cell.instrument_effect != 0) {
        apply_instrument_effect(*this, cell.instrument_effect, cell.instrument_param);
    }
    if (cell.note_effect != 0) apply_note_effect(*this, cell.note_effect, cell.note_param);
    if (cell.volume_effect != 0) {
        apply_volume_effect(*this, cell.volume_effect, cell.volume_param);
    }
    return true;  // no effect fails
}

}  // namespace tarnwick
