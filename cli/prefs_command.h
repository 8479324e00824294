#pragma once
// `qarvel prefs`: the plug-in's preferences page, shown as text and used as a user would
// through textbridge, with what the plug-in then saves kept in the settings file.

#include <string>

#include "cli/qarvel_common.h"

namespace qarvel_cli {

struct PrefsOptions {
    enum class Action { show, set, slide, reset };
    Action action = Action::show;
    std::string key;
    std::string value;
    int slide_position = 0;
};

// Returns the exit status.
int run_prefs(const HostChoice& host, const PrefsOptions& options);

}  // namespace qarvel_cli
