#pragma once
// The song sequencer walks the order list and lets one track player per pattern track render
// the same stretch of output; it also computes the song's length and carries the playback
// settings to every player. Its state lives in Module (loader/module.h).
//
// Limits and deliberate choices:
// - A song that has ended stays ended: every later render returns 0, looping or not.
// - A looping range that yields no frame ends the song: after more consecutive orders
//   without a frame than the order list holds, render stops instead of spinning.
// - The length scan stops at kLengthScanCapSeconds of song time and reports that length.
//   It also stops once track 0 has served kLengthScanSpanBudget spans, and reports the song
//   time reached: a file can pack thousands of events into each second of song (both gates
//   at their shortest on every row at the fastest tick rate), and scanning ten hours of
//   those would stall the host's open for seconds. Songs of ordinary density take hours of
//   song time to spend the budget.
//   An order whose pattern cannot be bound (no tracks) counts as lasting no time.
// - A failed length scan leaves the song ready to play from its first order; playback then
//   fails only when it reaches the faulty order.
// - Players are rebuilt whenever they may refer to samples or patterns that are no longer
//   the module's (after a load, or when the module has been moved).
// - Rendering allocates only when playback (re)starts: the players of the song's widest
//   pattern are made then, and players of narrower patterns wait to be reused.
// - Patterns change inside a render call; tracks of one pattern end on the same frame, and
//   the last track's count decides.

#include <cstdint>

#include "engine/track_player.h"
#include "loader/pattern.h"

namespace tarnwick {

// Song time after which the length scan stops (10 hours).
inline constexpr uint32_t kLengthScanCapSeconds = 36000;
// Output rate of the length scan, and the frames it asks of track 0 at a time.
inline constexpr uint32_t kLengthScanRate = 10000;
inline constexpr uint32_t kLengthScanChunk = 100000;
// Spans of track 0 after which the length scan stops (one render call may run past it).
inline constexpr uint64_t kLengthScanSpanBudget = uint64_t{1} << 22;

// Attaches `player` to track `track` of `pattern` and takes the pattern's beat. False when the
// player is absent, the track does not exist or the pattern lacks its arrays.
bool bind_player(const Pattern& pattern, TrackPlayer* player, uint32_t track);

}  // namespace tarnwick
