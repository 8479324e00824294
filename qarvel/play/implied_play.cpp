#include "qarvel/play/implied_play.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <set>

namespace qarvel_cli {
namespace {

// A song or a folder of songs: a path that is there, or a name ending in ".dmf". Anything
// else stays CLI11's to refuse as an unknown command.
bool names_songs(const std::string& arg) {
    std::string lower = arg;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower.size() > 4 && lower.compare(lower.size() - 4, 4, ".dmf") == 0) return true;
    std::error_code ec;
    return !arg.empty() && arg[0] != '-' && std::filesystem::exists(arg, ec);
}

}  // namespace

std::vector<std::string> with_implied_play(const std::vector<std::string>& args) {
    static const std::set<std::string> kCommands = {"info", "render", "play", "prefs", "about"};
    static const std::set<std::string> kGlobalWithValue = {"--edition", "--plugin", "--config"};
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (kCommands.count(a) != 0 || a == "-h" || a == "--help") return args;
        if (kGlobalWithValue.count(a) != 0) {
            ++i;  // its value
            continue;
        }
        if (a.rfind("--edition=", 0) == 0 || a.rfind("--plugin=", 0) == 0 ||
            a.rfind("--config=", 0) == 0) {
            continue;
        }
        // The play options may come first: `qarvel --shuffle songs/`.
        if (!std::any_of(args.begin() + static_cast<long>(i), args.end(), names_songs)) {
            return args;
        }
        std::vector<std::string> out(args.begin(), args.begin() + static_cast<long>(i));
        out.push_back("play");
        out.insert(out.end(), args.begin() + static_cast<long>(i), args.end());
        return out;
    }
    return args;
}

}  // namespace qarvel_cli
