#pragma once
// The songs a player run goes through: files as given, folders as their .dmf files (any
// letter case, sorted by path, recursively), optionally shuffled, optionally repeated.
//
// Limits and choices:
// - An empty input list is the embedded demo song, named by the empty path.
// - A path that is neither a file nor a folder stays in the list: opening it reports why.
// - Moving back from the first song stays on it; moving on from the last ends the list unless
//   it repeats.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "qarvel/song_paths.h"  // expand_song_inputs: the folder walk info and render share

namespace qarvel_cli {

class Playlist {
  public:
    // `songs` must not be empty. `seed` orders a shuffled list (the same seed, the same order).
    Playlist(std::vector<std::string> songs, bool shuffle, bool repeat, uint64_t seed);

    size_t size() const { return songs_.size(); }
    size_t position() const { return position_; }  // 0-based
    const std::string& current() const { return songs_[position_]; }
    const std::string& at(size_t position) const { return songs_[position]; }
    bool shuffled() const { return shuffled_; }
    bool repeats() const { return repeat_; }

    // The place after `position` (the first again on a repeating list), or none at the end.
    std::optional<size_t> after(size_t position) const;
    // The place before `position`, or none at the first.
    std::optional<size_t> before(size_t position) const;
    void move_to(size_t position) { position_ = position; }

    // Moves to the next song; false at the end of a list that does not repeat.
    bool advance();
    // Moves to the previous song (stays on the first).
    void go_back();

  private:
    std::vector<std::string> songs_;
    bool shuffled_;
    bool repeat_;
    size_t position_ = 0;
};

}  // namespace qarvel_cli
