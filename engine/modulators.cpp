// Vibrato (pitch), tremolo (volume) and panbrello (panning): two steps per tick. Each step
// sets the field to its modulated value, recomputes the step or the gains, and puts the
// field back: the vibrato by taking its offset away again, tremolo and panbrello by
// restoring the saved value.
#include <cmath>

#include "engine/effect_types.h"
#include "engine/effects.h"
#include "engine/float_precision.h"
#include "engine/track_player.h"

namespace tarnwick {

namespace {
constexpr double kTwoPi = 6.283185;
constexpr uint32_t kModulatorPeriod = 32;  // position units between steps

float sine(float x) {
    const double angle = computed_in_double([x] { return static_cast<double>(x) * kTwoPi; });
    return round_to_float(std::sin(angle));
}

float clamp_level(float x) {
    if (x < 0.0f) return 0.0f;
    if (x > 255.0f) return 255.0f;
    return x;
}

void advance(float& phase, float speed) {
    phase += speed;
    if (phase >= 1.0f) phase -= 1.0f;
}
}  // namespace

float modulator_wave(int32_t wave, float x) {
    switch (wave) {
        case waveform::kSine:
            return sine(x);
        case waveform::kTriangle: {  // 0, 1, 0, -1, 0 over the cycle
            float w = 4.0f * x;
            if (x > 0.25f) w -= 8.0f * (x - 0.25f);
            if (x > 0.75f) w += 8.0f * (x - 0.75f);
            return w;
        }
        case waveform::kSquare:
            return x < 0.5f ? 1.0f : -1.0f;
        default:
            return 0.0f;
    }
}

void TrackPlayer::modulator_step() {
    if (vibrato_wave != waveform::kOff) {
        // The offset is added and taken away again, not saved and restored: the pitch may keep
        // a rounding of the two, a drift far below hearing.
        const float offset = modulator_wave(vibrato_wave, vibrato_phase) * vibrato_depth;
        pitch += offset;
        update_step();  // the step keeps the modulated value until the next recomputation
        pitch -= offset;
        advance(vibrato_phase, vibrato_speed);
    }
    if (tremolo_wave != waveform::kOff) {
        const float plain = volume;
        volume = clamp_level(volume + modulator_wave(tremolo_wave, tremolo_phase) * tremolo_depth);
        update_gains();
        volume = plain;
        advance(tremolo_phase, tremolo_speed);
    }
    if (panbrello_on != 0) {
        const float plain = panning;
        panning = clamp_level(panning + sine(panbrello_phase) * panbrello_depth);
        update_gains();
        panning = plain;
        advance(panbrello_phase, panbrello_speed);
    }
    event_time[kModulatorSlot] += kModulatorPeriod;
}

}  // namespace tarnwick
