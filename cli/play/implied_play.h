#pragma once
// `qarvel song.dmf ...` plays, as media players do: a command line that names no command gets
// "play" put in front of its first argument that is not a global option.

#include <string>
#include <vector>

namespace qarvel_cli {

// `args` (without the program's name) with "play" put before the first argument that is
// neither a global option (with its value) nor a command; `args` as they are when they name a
// command or ask for help, or hold only global options.
std::vector<std::string> with_implied_play(const std::vector<std::string>& args);

}  // namespace qarvel_cli
