#include "qarvel/play/playlist.h"

#include <algorithm>
#include <random>

namespace qarvel_cli {

Playlist::Playlist(std::vector<std::string> songs, bool shuffle, bool repeat, uint64_t seed)
    : songs_(std::move(songs)), repeat_(repeat) {
    if (shuffle) {
        std::mt19937_64 order(seed);
        std::shuffle(songs_.begin(), songs_.end(), order);
    }
}

bool Playlist::advance() {
    if (position_ + 1 < songs_.size()) {
        ++position_;
        return true;
    }
    if (!repeat_) return false;
    position_ = 0;
    return true;
}

void Playlist::go_back() {
    if (position_ > 0) --position_;
}

}  // namespace qarvel_cli
