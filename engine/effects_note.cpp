// Note effects: fine tune, arpeggio, the three portamentos, set pitch and note cut here; the
// vibrato (engine/modulators.cpp) and the note gate (engine/gates.cpp) are started where they
// run. The note delay (type 2) is the scheduler's: it moves the note's time.
#include "engine/effect_types.h"
#include "engine/effects.h"
#include "engine/track_player.h"

namespace tarnwick {

namespace {
constexpr float kHighestPitch = 1728.0f;    // portamento up stops here
constexpr uint8_t kSetPitchLimit = 108;     // set pitch ignores parameters from here on
constexpr float kLastSetPitchPos = 191.0f;  // set pitch writes the pitch before tick 4

void fine_tune(TrackPlayer& p, uint8_t param) {
    if (!first_tick_below_63(p)) return;
    p.fine_tune = static_cast<float>(static_cast<int8_t>(param));  // -128..127 pitch units
    p.pitch_dirty = true;
}

// Plays the note, +hi and +lo semitones, one per tick, running on across rows.
void arpeggio(TrackPlayer& p, uint8_t param) {
    if (first_tick_below_63(p)) {
        p.arp_offset_1 = static_cast<float>(param & 0xF0);  // hi semitones in pitch units
        p.arp_offset_2 = static_cast<float>((param & 0x0F) * 16);
    }
    if (!p.arp_running) {
        p.arp_running = true;
        p.arp_phase = 0;
    }
    if (p.arp_phase == 0) {
        p.update_step();
    } else {
        const float offset = p.arp_phase == 1 ? p.arp_offset_1 : p.arp_offset_2;
        p.pitch += offset;
        p.update_step();
        p.pitch -= offset;
    }
    p.arp_phase = (p.arp_phase + 1) % 3;
}

void portamento_up(TrackPlayer& p, uint8_t param) {
    p.pitch += slide_pitch_units(param);
    if (p.pitch >= kHighestPitch) p.pitch = kHighestPitch;
    p.pitch_dirty = true;
}

void portamento_down(TrackPlayer& p, uint8_t param) {
    p.pitch -= slide_pitch_units(param);
    if (p.pitch <= 0.0f) p.pitch = 0.0f;
    p.pitch_dirty = true;
}

// Slides toward one pitch unit below the stored target and stops there.
void tone_portamento(TrackPlayer& p, uint8_t param) {
    if (p.porta_target == 0.0f) return;
    const float target = p.porta_target - 1.0f;
    const float amount = slide_pitch_units(param);
    if (target > p.pitch) {
        p.pitch += amount;
        if (p.pitch > target) p.pitch = target;
    } else if (target < p.pitch) {
        p.pitch -= amount;
        if (p.pitch < target) p.pitch = target;
    }
    p.pitch_dirty = true;
}

void set_pitch(TrackPlayer& p, uint8_t param) {
    if (param >= kSetPitchLimit) return;
    if (p.row_pos <= kLastSetPitchPos) p.pitch = static_cast<float>(param * 16);
    p.pitch_dirty = true;
}

void note_cut(TrackPlayer& p, uint8_t param) {
    if (first_tick_below_63(p)) p.event_time[kCutSlot] = param + 1u;
}

}  // namespace

void apply_note_effect(TrackPlayer& p, uint8_t type, uint8_t param) {
    switch (type) {
        case note_effect::kFineTune:
            fine_tune(p, param);
            break;
        case note_effect::kArpeggio:
            arpeggio(p, param);
            break;
        case note_effect::kPortamentoUp:
            portamento_up(p, param);
            break;
        case note_effect::kPortamentoDown:
            portamento_down(p, param);
            break;
        case note_effect::kTonePortamento:
            tone_portamento(p, param);
            break;
        case note_effect::kSetPitch:
            set_pitch(p, param);
            break;
        case note_effect::kVibratoSine:
            p.start_vibrato(waveform::kSine, param);
            break;
        case note_effect::kVibratoTriangle:
            p.start_vibrato(waveform::kTriangle, param);
            break;
        case note_effect::kVibratoSquare:
            p.start_vibrato(waveform::kSquare, param);
            break;
        case note_effect::kNoteGate:
            p.start_note_gate(param);
            break;
        case note_effect::kNoteCut:
            note_cut(p, param);
            break;
        default:  // kNoteDelay acts at the row start; others do nothing
            break;
    }
}

}  // namespace tarnwick
