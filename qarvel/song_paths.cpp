#include "qarvel/song_paths.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace qarvel_cli {
namespace {

bool is_song_file(const std::filesystem::path& path) {
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".dmf";
}

}  // namespace

std::vector<SongPath> find_songs(const std::vector<std::string>& inputs,
                                 std::vector<std::string>* problems) {
    namespace fs = std::filesystem;
    if (inputs.empty()) return {SongPath{}};
    std::vector<SongPath> songs;
    for (const std::string& input : inputs) {
        std::error_code ec;
        if (!fs::is_directory(input, ec)) {
            songs.push_back({input, ""});
            continue;
        }
        std::vector<SongPath> found;
        fs::recursive_directory_iterator walk(input, fs::directory_options::skip_permission_denied,
                                              ec);
        for (; !ec && walk != fs::recursive_directory_iterator(); walk.increment(ec)) {
            if (walk->is_regular_file(ec) && is_song_file(walk->path())) {
                found.push_back({walk->path().string(),
                                 walk->path().lexically_relative(input).generic_string()});
            }
        }
        if (ec) {
            problems->push_back(input + ": " + ec.message());
        } else if (found.empty()) {
            problems->push_back(input + ": no .dmf songs in this folder");
        }
        std::sort(found.begin(), found.end(),
                  [](const SongPath& a, const SongPath& b) { return a.path < b.path; });
        songs.insert(songs.end(), found.begin(), found.end());
    }
    return songs;
}

std::vector<std::string> expand_song_inputs(const std::vector<std::string>& inputs,
                                            std::vector<std::string>* problems) {
    std::vector<std::string> paths;
    for (SongPath& song : find_songs(inputs, problems)) paths.push_back(std::move(song.path));
    return paths;
}

}  // namespace qarvel_cli
