#pragma once
// `qarvel info [--json] FILE...`: each song opened with OPEN_INFO; its length, tags and
// technical fields printed in the order the plug-in reported them.

#include <string>
#include <vector>

#include "qarvel/qarvel_common.h"

namespace qarvel_cli {

struct InfoOptions {
    std::vector<std::string> files;  // none: the embedded demo song
    bool json = false;
};

// Returns the exit status.
int run_info(const HostChoice& host, const InfoOptions& options);

}  // namespace qarvel_cli
