#pragma once
// Checks of the options whose ranges `play` and `render` share or that only `play` has, with
// messages that say what is allowed. Header-only, so that a build without the player (the
// Windows one) checks `render --volume` alike.

#include <CLI/CLI.hpp>
#include <string>

#include "qarvel/play/play_settings.h"

namespace qarvel_cli {

// --volume: the mixing volume as the preferences page shows it, within the page's range.
inline CLI::Validator page_volume_check() {
    return CLI::Validator(
        [](std::string& text) -> std::string {
            double volume = 0.0;
            if (CLI::detail::lexical_cast(text, volume) && volume_in_page_range(volume)) return "";
            return text +
                   " is outside the mixing volume's range, 0.1 to 1.0 (the preferences "
                   "page's; 0.25 is the default)";
        },
        "0.1 to 1.0");
}

// play --rate: a rate a sound device opens (the device itself refuses what it cannot play
// above it).
inline CLI::Validator device_rate_check() {
    return CLI::Validator(
        [](std::string& text) -> std::string {
            int64_t rate = 0;
            if (CLI::detail::lexical_cast(text, rate) && rate >= PlaySettings::kLowestDeviceRate &&
                rate <= 1000000) {
                return "";
            }
            return text + " Hz cannot be played: sound devices play " +
                   std::to_string(PlaySettings::kLowestDeviceRate) +
                   " Hz and up (`qarvel render --rate` writes any rate to a file)";
        },
        "8000 to 1000000 Hz");
}

}  // namespace qarvel_cli
