// Gains from volume, panning and mixing volume, and the length of the ramps that smooth a
// change. Panning is linear: the two gains always add up to the voice's overall level.
#include <cmath>

#include "engine/real_to_integer.h"
#include "engine/track_player.h"

namespace tarnwick {

namespace {
constexpr float kOneOver255 = 0.003921569f;  // bit pattern 0x3B808081

// trunc(output_rate * ramp_ms * fraction), taken as unsigned 32-bit, / 1000. A product that
// is negative or NaN (a negative fraction, say) gives no ramp rather than a wrapped length.
uint32_t ramp_frames(uint32_t output_rate, float ramp_ms, float fraction) {
    const float product = static_cast<float>(output_rate) * ramp_ms * fraction;
    if (!(product > 0.0f)) return 0;
    return truncate_real_to_u32(product) / 1000u;
}
}  // namespace

void TrackPlayer::update_gains() {
    const float level = mix_volume * volume * kOneOver255;
    gain_left = (1.0f - panning * kOneOver255) * level;
    gain_right = level * panning * kOneOver255;
    if (ramp_enabled) {
        if (ramp_full) {
            ramp_length = full_ramp_length();
            ramp_counter = 1;
        } else {
            const float volume_change = std::fabs(volume - ramp_ref_volume);
            const float panning_change = std::fabs(panning - ramp_ref_panning);
            const float change = volume_change > panning_change ? volume_change : panning_change;
            start_ramp(change * kOneOver255);
        }
        ramp_ref_volume = volume;
        ramp_ref_panning = panning;
        ramp_full = false;
    }
    gains_dirty = false;
}

void TrackPlayer::start_ramp(float fraction) {
    ramp_length = ramp_frames(output_rate, ramp_ms, fraction);
    ramp_counter = 1;
}

uint32_t TrackPlayer::full_ramp_length() const {
    return ramp_frames(output_rate, ramp_ms, 1.0f);
}

}  // namespace tarnwick
