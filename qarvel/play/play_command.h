#pragma once
// `qarvel play` (and `qarvel FILE...`): plays songs through the sound system, with a screen
// when standard error is a terminal and one line per song otherwise, and keys whenever there
// is a controlling terminal. Setting options reach the plug-in as stored settings records,
// after the settings file, for this run only.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "qarvel/qarvel_common.h"

namespace qarvel_cli {

struct PlayOptions {
    std::vector<std::string> inputs;  // files and folders; none: the embedded demo song
    std::optional<int32_t> rate;
    std::optional<int32_t> mode;
    std::optional<double> volume;
    std::optional<int32_t> ramp_length;
    bool loop = false;
    double start = 0.0;  // seconds into each song
    std::optional<double> seconds;
    std::string device;
    bool list_devices = false;
    bool shuffle = false;
    bool repeat = false;
};

// Returns the exit status.
int run_play(const HostChoice& host, const PlayOptions& options);

// The keys, for `play --help`.
std::string play_keys_text();

}  // namespace qarvel_cli
