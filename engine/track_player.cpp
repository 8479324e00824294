#include "engine/track_player.h"

namespace tarnwick {

namespace {
// What a player reads when it stands on no row: every byte 0, nothing happens.
const Cell kEmptyCell{};
}  // namespace

TrackPlayer::TrackPlayer() {
    reset_tempo();
}

const Cell& TrackPlayer::current_cell() const {
    if (cells == nullptr || row >= row_count) return kEmptyCell;
    return cells[row];
}

}  // namespace tarnwick
