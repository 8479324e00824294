// The voice as the engine sees it: pitch to step, choosing and restarting the sample, and
// the distance to the point where the voice must loop or stop.
#include <cmath>

#include "engine/effect_types.h"
#include "engine/float_precision.h"
#include "engine/real_to_integer.h"
#include "engine/track_player.h"

namespace tarnwick {

namespace {
constexpr float kOneOver192 = 1.0f / 192.0f;  // pitch units per octave
constexpr float kLn2 = 0.6931472f;            // ln 2 as a single-precision value
}  // namespace

void TrackPlayer::update_step() {
    if (sample == nullptr) return;  // pitch_dirty stays set until a sample can use it
    const float p = pitch + fine_tune;
    const float exponent = (p * kOneOver192 - 3.0f) * kLn2;
    const float base_rate = sample->base_rate;
    const double power = computed_by_library([](double e) { return std::exp(e); }, exponent);
    const double rate = computed_in_double(
        [&] { return power * static_cast<double>(base_rate) / static_cast<double>(output_rate); });
    const float magnitude = round_to_float(rate);
    step = step < 0.0f ? -magnitude : magnitude;  // a backwards voice stays backwards
    pitch_dirty = false;
}

bool TrackPlayer::select_instrument(uint32_t n) {
    const uint32_t count = samples != nullptr ? samples->count() : 0;
    if (n > count) {  // past the end of the list: silence, not an error
        sample = nullptr;
        sample_active = false;
        return true;
    }
    sample = samples != nullptr ? samples->at(n - 1) : nullptr;
    if (sample == nullptr) {
        sample_active = false;
        return false;
    }
    trigger_sample();
    return true;
}

void TrackPlayer::trigger_sample() {
    if (sample == nullptr || sample->length == 0) {
        sample_active = false;
        return;
    }
    const Cell& cell = current_cell();
    if (sample->volume != 0.0f && cell.instrument_effect != instrument_effect::kRestartSample &&
        cell.volume == 0) {
        volume = sample->volume;
    }
    loop_enabled = sample->loop_end != 0;
    sample_pos = 0;
    sample_frac = 0.0f;
    history_stale = true;
    if (step < 0.0f) step = -step;

    panbrello_phase = 0.0f;
    tremolo_phase = 0.0f;
    vibrato_phase = 0.0f;
    arp_phase = 0;

    // The periodic effects restart from now.
    const uint32_t now = truncate_real_to_u32(row_pos);
    event_time[kRetriggerSlot] = now;
    event_time[kModulatorSlot] = now;
    event_time[kNoteGateSlot] = now;
    event_time[kVolumeGateSlot] = now;

    note_gate_next_on = true;
    volume_gate_next_on = true;
    sample_active = true;

    const uint8_t type = cell.instrument_effect;
    if (type >= instrument_effect::kSampleOffset && type <= instrument_effect::kSampleOffset192K) {
        const uint32_t page = type - instrument_effect::kSampleOffset;
        set_sample_position((cell.instrument_param + 256u * page) * 256u);
    }
}

uint32_t TrackPlayer::frames_to_boundary() const {
    if (sample == nullptr || step == 0.0f) return 0;
    double quotient;
    if (step > 0.0f) {
        const uint32_t d =
            loop_enabled ? sample->loop_end - sample_pos : sample->length - sample_pos - 1u;
        quotient = computed_in_double([&] {
            return (static_cast<double>(d) - static_cast<double>(sample_frac)) /
                   static_cast<double>(step);
        });
    } else {
        const double d = loop_enabled ? static_cast<double>(sample_pos - sample->loop_start)
                                      : static_cast<double>(static_cast<int32_t>(sample_pos));
        quotient = computed_in_double([&] {
            return (d + static_cast<double>(sample_frac)) / std::fabs(static_cast<double>(step));
        });
    }
    // Low 32 bits of the truncated quotient, read as signed; a NaN or a quotient beyond the
    // 64-bit range reads as 0 or negative and so gives 0 as well.
    const int32_t frames = truncate_real_to_i32(quotient);
    return frames < 0 ? 0u : static_cast<uint32_t>(frames);
}

void TrackPlayer::set_sample_position(uint32_t frame) {
    if (sample != nullptr && frame < sample->length) {
        sample_pos = frame;
        sample_frac = 0.0f;
        history_stale = true;
    } else {
        sample_active = false;
    }
}

}  // namespace tarnwick
