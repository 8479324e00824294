#pragma once
// The track players of the playing pattern, one per track, and the settings that every new
// player receives. The set owns its players; each is allocated on its own so that a player
// keeps its address (and its voice) while the set grows or shrinks around it.
//
// Players dropped by a shrink stay allocated and are handed out again, re-initialised, as new
// players: a resize allocates only when the set grows past every size it had before, and the
// sequencer reserves the song's widest pattern when playback starts, so that rendering itself
// never allocates.

#include <cstdint>
#include <memory>

#include "engine/track_player.h"
#include "loader/sample.h"

namespace tarnwick {

struct TrackPlayerSet {
    std::unique_ptr<std::unique_ptr<TrackPlayer>[]> items;  // `capacity` players, track order
    uint32_t count = 0;                       // players in use: the first `count` items
    const SampleList* sample_list = nullptr;  // handed to each new player as `samples`
    float mix_volume = 1.0f;
    uint32_t resample_mode = kResampleLinear;
    uint32_t output_rate = 48000;  // the decoder sets the real rate before the first render
    bool ramp_enabled = true;
    float ramp_ms = 3.0f;  // kept as set; players receive it clamped to at least 0
    bool whole_tick_rate = true;
    uint32_t capacity = 0;  // players allocated; those past `count` wait to be reused

    // Keeps the first min(count, n) players and makes the others new players with the set's
    // settings; players after the first start with player 0's tempo. On a failed allocation
    // the set is cleared and the result is false.
    bool resize(uint32_t n);
    // Allocates players up to n without putting them in use. False when an allocation fails
    // (the set is then as it was).
    bool reserve(uint32_t n);
    // The player at `index`, or null when index >= count.
    TrackPlayer* at(uint32_t index) const { return index < count ? items[index].get() : nullptr; }
    // Deletes every player.
    void clear();

    // The ramp length a player receives: never negative (a NaN setting counts as 0).
    float player_ramp_ms() const { return ramp_ms > 0.0f ? ramp_ms : 0.0f; }

  private:
    // Turns the player at `index` into a new player of this set.
    void start_new_player(uint32_t index);
};

}  // namespace tarnwick
