// The note gate (switches the note on and off) and the volume gate (mutes and restores the
// volume), each alternating between an on and an off duration in position units. Their
// effects start them (note effect 11, volume effect 3), the scheduler fires their steps, and a
// row that does not carry the effect stops them: all three live here.
#include "engine/effect_types.h"
#include "engine/effects.h"
#include "engine/track_player.h"

namespace tarnwick {

namespace {
// The voice can still play a frame in its direction (a voice at its end stays off).
bool voice_can_sound(const TrackPlayer& p) {
    if (p.sample == nullptr || p.sample->length == 0) return false;
    if (p.step > 0.0f) return p.sample_pos < p.sample->length - 1;
    if (p.step < 0.0f) return p.sample_pos > 0;
    return false;
}

// First tick only: the durations from the parameter (lo + 1 and hi + 1 sixteenths of a row);
// a gate that was not running begins with its off phase.
void start_gate(const TrackPlayer& p, int32_t& on, int32_t& off, bool& next_on, uint8_t param) {
    if (!first_tick_below_63(p)) return;
    if (on == 0 && off == 0) next_on = false;
    on = ((param & 0x0F) + 1) * 16;
    off = ((param >> 4) + 1) * 16;
}
}  // namespace

void TrackPlayer::start_note_gate(uint8_t param) {
    start_gate(*this, note_gate_on, note_gate_off, note_gate_next_on, param);
}

void TrackPlayer::start_volume_gate(uint8_t param) {
    start_gate(*this, volume_gate_on, volume_gate_off, volume_gate_next_on, param);
}

void TrackPlayer::note_gate_step() {
    if (note_gate_on == 0 && note_gate_off == 0) return;
    if (note_gate_next_on) {
        // A voice at its end is not switched on, and the slot is not re-armed, so the next
        // span runs the gate again and begins the off phase.
        if (voice_can_sound(*this)) {
            note_on = true;
            event_time[kNoteGateSlot] += static_cast<uint32_t>(note_gate_on);
        }
    } else {
        note_on = false;
        event_time[kNoteGateSlot] += static_cast<uint32_t>(note_gate_off);
    }
    note_gate_next_on = !note_gate_next_on;
    if (ramp_enabled) {
        ramp_length = full_ramp_length();
        ramp_counter = 1;
        ramp_full = true;
    }
}

void TrackPlayer::volume_gate_step() {
    if (volume_gate_on == 0 && volume_gate_off == 0) return;
    if (volume_gate_next_on) {
        update_gains();
        event_time[kVolumeGateSlot] += static_cast<uint32_t>(volume_gate_on);
    } else {
        const float plain = volume;
        volume = 0.0f;
        update_gains();
        volume = plain;
        event_time[kVolumeGateSlot] += static_cast<uint32_t>(volume_gate_off);
    }
    volume_gate_next_on = !volume_gate_next_on;
}

bool TrackPlayer::volume_gate_muted() const {
    return volume_gate_on != 0 && volume_gate_next_on;
}

// A gate that the new row does not carry fires once more, then stops.
void TrackPlayer::stop_gates_not_carried(const Cell& cell) {
    if (note_gate_on != 0 && cell.note_effect != note_effect::kNoteGate) {
        note_gate_step();
        note_gate_on = 0;
        note_gate_off = 0;
    }
    if (volume_gate_on != 0 && cell.volume_effect != volume_effect::kVolumeGate) {
        volume_gate_step();
        volume_gate_on = 0;
        volume_gate_off = 0;
    }
}

}  // namespace tarnwick
