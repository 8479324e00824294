#include "cli/play/implied_play.h"

#include <set>

namespace qarvel_cli {

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
        std::vector<std::string> out(args.begin(), args.begin() + static_cast<long>(i));
        out.push_back("play");
        out.insert(out.end(), args.begin() + static_cast<long>(i), args.end());
        return out;
    }
    return args;
}

}  // namespace qarvel_cli
