#pragma once
// `qarvel prefs`: the plug-in's preferences page, shown as text and used as a user would
// through textbridge, with what the plug-in then saves kept in the settings file.

#include <string>

#include "qarvel/qarvel_common.h"

namespace qarvel_cli {

struct PrefsOptions {
    enum class Action { show, set, slide, reset };
    Action action = Action::show;
    std::string key;
    std::string value;
    int slide_position = 0;
    // Windows: show the host's preferences window (until closed, or only to write this PNG).
    bool window = false;
    std::string screenshot;
};

// Returns the exit status.
int run_prefs(const HostChoice& host, const PrefsOptions& options);

}  // namespace qarvel_cli
