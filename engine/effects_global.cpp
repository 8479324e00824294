// The global track: tick rate, tempo, beat and tempo slides, shared by every track. The row
// delay (type 4) is the scheduler's: it acts at the row start, not at tick time.
#include "engine/effect_types.h"
#include "engine/effects.h"
#include "engine/track_player.h"

namespace tarnwick {

namespace {
constexpr float kSlowestRate = 1.0f;
constexpr float kFastestRate = 256.0f;

// The rate the tempo slides act on: the tick rate in fixed-rate mode, else the tempo.
float& active_rate(TrackPlayer& p) {
    return p.fixed_tick_rate ? p.ticks_per_second : p.bpm;
}
}  // namespace

void TrackPlayer::apply_global(uint8_t type, uint8_t param) {
    switch (type) {
        case global_effect::kSetTickRate:
            if (first_tick_below_63(*this)) set_ticks_per_second(static_cast<float>(param + 1));
            break;
        case global_effect::kSetTempo:
            if (first_tick_below_63(*this)) {
                set_bpm(param == 0 ? 1.0f : static_cast<float>(param));
            }
            break;
        case global_effect::kSetBeat:
            if (first_tick_below_63(*this)) set_beat(param >> 4);  // low nibble ignored
            break;
        case global_effect::kTempoSlideUp: {
            float& rate = active_rate(*this);
            rate += slide_quarters(param);
            if (rate >= kFastestRate) rate = kFastestRate;
            update_tick_length();
            break;
        }
        case global_effect::kTempoSlideDown: {
            float& rate = active_rate(*this);
            rate -= slide_quarters(param);
            if (rate <= kSlowestRate) rate = kSlowestRate;
            update_tick_length();
            break;
        }
        default:
            break;
    }
}

}  // namespace tarnwick
