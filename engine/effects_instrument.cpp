// Instrument effects: stopping, restarting, offsetting, retriggering and reversing the
// sample. The sample delay (type 4) is the scheduler's: it moves the instrument's time.
#include "engine/effect_types.h"
#include "engine/effects.h"
#include "engine/track_player.h"

namespace tarnwick {

namespace {

// Restarts the selected sample at `frame`, forwards; a frame beyond the sample silences it.
void restart_at(TrackPlayer& p, uint32_t frame) {
    p.sample_active = true;
    p.loop_enabled = p.sample->loop_end != 0;
    p.set_sample_position(frame);
    if (p.step < 0.0f) p.step = -p.step;
}

void stop_sample(TrackPlayer& p) {
    p.volume = 255.0f;
    p.gains_dirty = true;
    p.ramp_full = true;
    p.set_sample_position(0);
    p.sample_active = false;
}

void restart_sample(TrackPlayer& p) {
    if (!first_tick_up_to_63(p) || p.sample == nullptr) return;
    restart_at(p, 0);
}

void retrigger(TrackPlayer& p, uint8_t param) {
    if (p.retrigger_interval == 0) p.event_time[kRetriggerSlot] = 0;  // first one due at once
    p.retrigger_interval = param;                                     // 0 switches it off
}

// Types 6 to 9 address four 64K-frame pages: frame (param + 256 * page) * 256.
void sample_offset(TrackPlayer& p, uint32_t page, uint8_t param) {
    if (!first_tick_up_to_63(p) || p.sample == nullptr) return;
    restart_at(p, (param + 256u * page) * 256u);
    if (p.ramp_enabled) {
        p.start_ramp(1.0f);
        p.ramp_full = true;
    }
}

void reverse(TrackPlayer& p) {
    if (first_tick_below_63(p)) p.step = -p.step;
}

}  // namespace

void apply_instrument_effect(TrackPlayer& p, uint8_t type, uint8_t param) {
    switch (type) {
        case instrument_effect::kStopSample:
            stop_sample(p);
            break;
        case instrument_effect::kLoopOff:
            p.loop_enabled = false;
            break;
        case instrument_effect::kRestartSample:
            restart_sample(p);
            break;
        case instrument_effect::kRetrigger:
            retrigger(p, param);
            break;
        case instrument_effect::kSampleOffset:
        case instrument_effect::kSampleOffset64K:
        case instrument_effect::kSampleOffset128K:
        case instrument_effect::kSampleOffset192K:
            sample_offset(p, type - instrument_effect::kSampleOffset, param);
            break;
        case instrument_effect::kReverse:
            reverse(p);
            break;
        default:  // kSampleDelay acts at the row start; others do nothing
            break;
    }
}

}  // namespace tarnwick
