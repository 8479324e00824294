// Volume effects: volume and panning slides, set panning, tremolo and panbrello start and the
// volume gate.
#include "engine/effect_types.h"
#include "engine/effects.h"
#include "engine/track_player.h"

namespace tarnwick {

namespace {
constexpr float kLowest = 0.0f;
constexpr float kHighest = 255.0f;

void slide_up(TrackPlayer& p, float& field, uint8_t param) {
    field += slide_quarters(param);
    if (field > kHighest) field = kHighest;
    p.gains_dirty = true;
}

void slide_down(TrackPlayer& p, float& field, uint8_t param) {
    field -= slide_quarters(param);
    if (field < kLowest) field = kLowest;
    p.gains_dirty = true;
}

// A gate that was not running begins with its muted phase.
void start_volume_gate(TrackPlayer& p, uint8_t param) {
    if (!first_tick_below_63(p)) return;
    if (p.volume_gate_on == 0 && p.volume_gate_off == 0) p.volume_gate_next_on = false;
    p.volume_gate_on = ((param & 0x0F) + 1) * 16;
    p.volume_gate_off = ((param >> 4) + 1) * 16;
}

void start_tremolo(TrackPlayer& p, int32_t wave, uint8_t param) {
    if (!first_tick_up_to_63(p)) return;
    if (p.tremolo_wave == waveform::kOff) p.tremolo_phase = 0.0f;  // a new one starts at 0
    p.tremolo_wave = wave;
    p.event_time[kModulatorSlot] = 0;
    p.tremolo_speed = modulator_speed(param);
    p.tremolo_depth = static_cast<float>(((param & 0x0F) + 1) * 8);
}

void start_panbrello(TrackPlayer& p, uint8_t param) {
    if (!first_tick_up_to_63(p)) return;
    if (p.panbrello_on == 0) p.panbrello_phase = 0.0f;
    p.panbrello_on = 1;
    p.event_time[kModulatorSlot] = 0;
    p.panbrello_speed = modulator_speed(param);
    p.panbrello_depth = static_cast<float>(((param & 0x0F) + 1) * 8);
}

}  // namespace

void apply_volume_effect(TrackPlayer& p, uint8_t type, uint8_t param) {
    switch (type) {
        case volume_effect::kVolumeSlideUp:
            slide_up(p, p.volume, param);
            break;
        case volume_effect::kVolumeSlideDown:
            slide_down(p, p.volume, param);
            break;
        case volume_effect::kVolumeGate:
            start_volume_gate(p, param);
            break;
        case volume_effect::kTremoloSine:
            start_tremolo(p, waveform::kSine, param);
            break;
        case volume_effect::kTremoloTriangle:
            start_tremolo(p, waveform::kTriangle, param);
            break;
        case volume_effect::kTremoloSquare:
            start_tremolo(p, waveform::kSquare, param);
            break;
        case volume_effect::kSetPanning:
            p.panning = static_cast<float>(param);
            p.gains_dirty = true;
            break;
        case volume_effect::kPanningSlideLeft:
            slide_down(p, p.panning, param);
            break;
        case volume_effect::kPanningSlideRight:
            slide_up(p, p.panning, param);
            break;
        case volume_effect::kPanbrello:
            start_panbrello(p, param);
            break;
        default:
            break;
    }
}

}  // namespace tarnwick
