#include "qarvel/play/playlist.h"

#include <algorithm>
#include <random>

namespace qarvel_cli {

Playlist::Playlist(std::vector<std::string> songs, bool shuffle, bool repeat, uint64_t seed)
    : songs_(std::move(songs)), shuffled_(shuffle), repeat_(repeat) {
    if (shuffle) {
        std::mt19937_64 order(seed);
        std::shuffle(songs_.begin(), songs_.end(), order);
    }
}

std::optional<size_t> Playlist::after(size_t position) const {
    if (position + 1 < songs_.size()) return position + 1;
    if (repeat_) return 0;
    return std::nullopt;
}

std::optional<size_t> Playlist::before(size_t position) const {
    if (position > 0) return position - 1;
    return std::nullopt;
}

bool Playlist::advance() {
    const std::optional<size_t> next = after(position_);
    if (next) position_ = *next;
    return next.has_value();
}

void Playlist::go_back() {
    position_ = before(position_).value_or(position_);
}

}  // namespace qarvel_cli
