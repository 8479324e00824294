#include "engine/track_player_set.h"

#include <new>
#include <utility>

namespace tarnwick {

bool TrackPlayerSet::reserve(uint32_t n) {
    if (n <= capacity) return true;
    std::unique_ptr<std::unique_ptr<TrackPlayer>[]> grown(new (std::nothrow)
                                                              std::unique_ptr<TrackPlayer>[n]);
    if (!grown) return false;
    for (uint32_t i = capacity; i < n; ++i) {
        grown[i].reset(new (std::nothrow) TrackPlayer());
        if (!grown[i]) return false;
    }
    for (uint32_t i = 0; i < capacity; ++i) grown[i] = std::move(items[i]);
    items = std::move(grown);
    capacity = n;
    return true;
}

bool TrackPlayerSet::resize(uint32_t n) {
    if (!reserve(n)) {
        clear();
        return false;
    }
    for (uint32_t i = count; i < n; ++i) start_new_player(i);
    count = n;
    return true;
}

void TrackPlayerSet::start_new_player(uint32_t index) {
    TrackPlayer& player = *items[index];
    player = TrackPlayer();
    player.samples = sample_list;
    player.mix_volume = mix_volume;
    player.resample_mode = resample_mode;
    player.output_rate = output_rate;
    player.pitch_dirty = true;
    player.ramp_enabled = ramp_enabled;
    player.ramp_ms = player_ramp_ms();
    player.whole_tick_rate = whole_tick_rate;
    if (index > 0) {
        // A track added for a wider pattern starts with the tempo the song has reached.
        const TrackPlayer& first = *items[0];
        player.bpm = first.bpm;
        player.beat = first.beat;
        player.ticks_per_second = first.ticks_per_second;
        player.fixed_tick_rate = first.fixed_tick_rate;
        player.update_tick_length();
    }
}

void TrackPlayerSet::clear() {
    items.reset();
    count = 0;
    capacity = 0;
}

}  // namespace tarnwick
