#include "qarvel/play/playlist.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <random>

namespace qarvel_cli {
namespace {

bool is_song_file(const std::filesystem::path& path) {
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".dmf";
}

}  // namespace

std::vector<std::string> expand_song_inputs(const std::vector<std::string>& inputs,
                                            std::vector<std::string>* problems) {
    namespace fs = std::filesystem;
    if (inputs.empty()) return {""};
    std::vector<std::string> songs;
    for (const std::string& input : inputs) {
        std::error_code ec;
        if (!fs::is_directory(input, ec)) {
            songs.push_back(input);
            continue;
        }
        std::vector<std::string> found;
        fs::recursive_directory_iterator walk(input, fs::directory_options::skip_permission_denied,
                                              ec);
        for (; !ec && walk != fs::recursive_directory_iterator(); walk.increment(ec)) {
            if (walk->is_regular_file(ec) && is_song_file(walk->path())) {
                found.push_back(walk->path().string());
            }
        }
        if (ec) problems->push_back(input + ": " + ec.message());
        std::sort(found.begin(), found.end());
        songs.insert(songs.end(), found.begin(), found.end());
    }
    return songs;
}

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
