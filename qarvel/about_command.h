#pragma once
// `qarvel about`: the texts of the plug-in's component-version service.

#include "qarvel/qarvel_common.h"

namespace qarvel_cli {

// Returns the exit status.
int run_about(const HostChoice& host);

}  // namespace qarvel_cli
