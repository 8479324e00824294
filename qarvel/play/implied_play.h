#pragma once
// `qarvel song.dmf ...` plays, as media players do: a command line that names no command but
// names songs (a path that is there, or a name ending in .dmf) gets "play" put in front of its
// first argument that is not a global option. Any other word stays an unknown command.

#include <string>
#include <vector>

namespace qarvel_cli {

// `args` (without the program's name) with "play" put before the first argument that is
// not a global option (with its value), when that or a later argument names songs; `args` as
// they are otherwise (a command, help, only global options, or no songs named).
std::vector<std::string> with_implied_play(const std::vector<std::string>& args);

}  // namespace qarvel_cli
