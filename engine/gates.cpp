// The note gate (switches the note on and off) and the volume gate (mutes and restores the
// volume), each alternating between an on and an off duration in position units.
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
}  // namespace

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

}  // namespace tarnwick
