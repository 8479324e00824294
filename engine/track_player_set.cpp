#include "engine/track_player_set.h"

#include <new>
#include <utility>

namespace tarnwick {

bool TrackPlayerSet::resize(uint32_t n) {
    if (n == 0) {
        clear();
        return true;
    }
    std::unique_ptr<std::unique_ptr<TrackPlayer>[]> grown(new (std::nothrow)
                                                              std::unique_ptr<TrackPlayer>[n]);
    if (!grown) {
        clear();
        return false;
    }
    const uint32_t kept = count < n ? count : n;
    for (uint32_t i = 0; i < kept; ++i) grown[i] = std::move(items[i]);
    for (uint32_t i = kept; i < n; ++i) {
        std::unique_ptr<TrackPlayer> player(new (std::nothrow) TrackPlayer());
        if (!player) {
            clear();
            return false;
        }
        player->samples = sample_list;
        player->mix_volume = mix_volume;
        player->resample_mode = resample_mode;
        player->output_rate = output_rate;
        player->pitch_dirty = true;
        player->ramp_enabled = ramp_enabled;
        player->ramp_ms = player_ramp_ms();
        player->whole_tick_rate = whole_tick_rate;
        if (i > 0) {
            // A track added for a wider pattern starts with the tempo the song has reached.
            const TrackPlayer& first = *grown[0];
            player->bpm = first.bpm;
            player->beat = first.beat;
            player->ticks_per_second = first.ticks_per_second;
            player->fixed_tick_rate = first.fixed_tick_rate;
            player->update_tick_length();
        }
        grown[i] = std::move(player);
    }
    items = std::move(grown);
    count = n;
    return true;
}

void TrackPlayerSet::clear() {
    items.reset();
    count = 0;
}

}  // namespace tarnwick
