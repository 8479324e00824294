// Volume effects: volume and panning slides and set panning here; tremolo, panbrello
// (engine/modulators.cpp) and the volume gate (engine/gates.cpp) are started where they run.
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
            p.start_volume_gate(param);
            break;
        case volume_effect::kTremoloSine:
            p.start_tremolo(waveform::kSine, param);
            break;
        case volume_effect::kTremoloTriangle:
            p.start_tremolo(waveform::kTriangle, param);
            break;
        case volume_effect::kTremoloSquare:
            p.start_tremolo(waveform::kSquare, param);
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
            p.start_panbrello(param);
            break;
        default:
            break;
    }
}

}  // namespace tarnwick
