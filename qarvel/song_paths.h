#pragma once
// The songs a command's inputs name, for info, render and the player alike: a file as given, a
// folder as the .dmf files under it (any letter case, recursively, sorted by path).
//
// Limits and choices:
// - No input at all is the embedded demo song, named by the empty path.
// - A path that is neither a file nor a folder stays in the list: opening it says why.
// - Links to folders are not followed (a link loop cannot make the walk endless); links to files
//   are taken like files.

#include <string>
#include <vector>

namespace qarvel_cli {

struct SongPath {
    std::string path;
    // Where the song sits below the folder it was found in ("sub/a.dmf"); "" for a song given
    // by itself.
    std::string below_folder;
};

// The songs named by `inputs`, folders expanded. A folder that cannot be read fully is left
// out (or cut short), and a folder without songs left out, with a line in `problems`.
std::vector<SongPath> find_songs(const std::vector<std::string>& inputs,
                                 std::vector<std::string>* problems);

// The same as bare paths.
std::vector<std::string> expand_song_inputs(const std::vector<std::string>& inputs,
                                            std::vector<std::string>* problems);

}  // namespace qarvel_cli
