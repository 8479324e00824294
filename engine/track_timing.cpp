// Tempo and tick length. Fixed-rate mode plays ticks_per_second ticks per second; beat mode
// derives the tick rate from bpm and the pattern's beat (rows per beat, four ticks per row:
// bpm * beat / 15 ticks per second).
#include "engine/float_precision.h"
#include "engine/real_to_integer.h"
#include "engine/track_player.h"

namespace tarnwick {

void TrackPlayer::reset_tempo() {
    bpm = 125.0f;
    ticks_per_second = 32.0f;
    beat = 0;
    fixed_tick_rate = true;
    update_tick_length();
}

void TrackPlayer::set_beat(uint32_t n) {
    beat = n;
    if (n == 0) fixed_tick_rate = true;  // a non-zero beat waits for a tempo to switch modes
    update_tick_length();
}

void TrackPlayer::set_ticks_per_second(float x) {
    ticks_per_second = x;
    fixed_tick_rate = true;
    update_tick_length();
}

void TrackPlayer::set_bpm(float x) {
    bpm = x;
    if (beat != 0) fixed_tick_rate = false;
    update_tick_length();
}

void TrackPlayer::update_tick_length() {
    uint32_t frames = 0;
    if (fixed_tick_rate) {
        if (ticks_per_second == 0.0f) ticks_per_second = 1.0f;
        uint32_t rate = truncate_real_to_u32(ticks_per_second);
        if (rate == 0) rate = 1;  // a rate below one tick per second must not divide by 0
        frames = output_rate / rate;
    } else if (whole_tick_rate) {
        if (bpm == 0.0f) bpm = 1.0f;
        const float product = bpm * static_cast<float>(beat);
        int32_t rate = truncate_real_to_i32(product) / 15;
        if (rate < 1) rate = 1;
        frames = output_rate / static_cast<uint32_t>(rate);
    } else {
        if (bpm == 0.0f) bpm = 1.0f;
        const uint32_t numerator = output_rate * 15u;  // wraps as a 32-bit product
        const float denominator = bpm * static_cast<float>(beat);
        frames = truncate_real_to_u32(computed_in_double(
            [&] { return static_cast<double>(numerator) / static_cast<double>(denominator); }));
    }
    // A tick shorter than one frame would stall the scheduler (a span of 0 frames forever);
    // this only happens at output rates below 256 Hz or with rates the effects never set.
    if (frames == 0) frames = 1;
    frames_per_tick = frames;
    frames_per_tick_inv = 1.0f / static_cast<float>(frames_per_tick);
}

}  // namespace tarnwick
