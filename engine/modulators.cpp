// Vibrato (pitch), tremolo (volume) and panbrello (panning): their effects start them (note
// effects 8 to 10, volume effects 4 to 6 and 10), the scheduler fires their steps, two per
// tick, and a row that does not carry the effect stops them: all three live here. Each step
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
    return round_to_float(computed_by_library([](double a) { return std::sin(a); }, angle));
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

// First tick only: speed and depth from the parameter (one cycle every hi + 1 rows, depth
// lo + 1 times `depth_unit`). A modulator that continues keeps its phase; a new one starts at
// 0. Its first step is due at once.
void start_modulator(TrackPlayer& p, int32_t& running, int32_t wave, float& phase, float& speed,
                     float& depth, float depth_unit, uint8_t param) {
    if (!first_tick_up_to_63(p)) return;
    if (running == 0) phase = 0.0f;
    running = wave;
    p.event_time[kModulatorSlot] = 0;
    speed = modulator_speed(param);
    depth = static_cast<float>((param & 0x0F) + 1) * depth_unit;
}

bool carries_vibrato(const Cell& cell) {
    return cell.note_effect >= note_effect::kVibratoSine &&
           cell.note_effect <= note_effect::kVibratoSquare;
}
bool carries_tremolo(const Cell& cell) {
    return cell.volume_effect >= volume_effect::kTremoloSine &&
           cell.volume_effect <= volume_effect::kTremoloSquare;
}
}  // namespace

void TrackPlayer::start_vibrato(int32_t wave, uint8_t param) {
    start_modulator(*this, vibrato_wave, wave, vibrato_phase, vibrato_speed, vibrato_depth, 2.0f,
                    param);
}

void TrackPlayer::start_tremolo(int32_t wave, uint8_t param) {
    start_modulator(*this, tremolo_wave, wave, tremolo_phase, tremolo_speed, tremolo_depth, 8.0f,
                    param);
}

void TrackPlayer::start_panbrello(uint8_t param) {
    start_modulator(*this, panbrello_on, 1, panbrello_phase, panbrello_speed, panbrello_depth, 8.0f,
                    param);
}

// A modulator that the new row does not carry takes one more step of all that run, then
// stops; tremolo and panbrello leave the plain volume and panning in the gains.
void TrackPlayer::stop_modulators_not_carried(const Cell& cell) {
    if (vibrato_wave != waveform::kOff && !carries_vibrato(cell)) {
        modulator_step();
        vibrato_wave = waveform::kOff;
    }
    if (tremolo_wave != waveform::kOff && !carries_tremolo(cell)) {
        modulator_step();
        tremolo_wave = waveform::kOff;
        update_gains();
    }
    if (panbrello_on != 0 && cell.volume_effect != volume_effect::kPanbrello) {
        modulator_step();
        panbrello_on = 0;
        update_gains();
    }
}

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
