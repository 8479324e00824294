#include "qarvel/play/play_settings.h"

#include <algorithm>
#include <cstdio>

namespace qarvel_cli {

PlaySettings PlaySettings::from_records(const standin::SettingsRecords& records) {
    PlaySettings s;
    for (const auto& [name, value] : records) {
        if (name == "srate") s.rate = value;
        if (name == "rsmode") s.mode = value;
        if (name == "vol") s.volume = value;
        if (name == "ramplen") s.ramp_length = value;
        if (name == "loop") s.loop = value == 1;
    }
    return s;
}

std::vector<uint8_t> PlaySettings::records() const {
    std::vector<uint8_t> bytes;
    standin::append_settings_record(bytes, "srate", rate);
    standin::append_settings_record(bytes, "rsmode", mode);
    standin::append_settings_record(bytes, "vol", volume);
    standin::append_settings_record(bytes, "ramplen", ramp_length);
    standin::append_settings_record(bytes, "loop", loop ? 1 : 0);
    return bytes;
}

uint32_t PlaySettings::output_rate() const {
    return static_cast<uint32_t>(rate > 0 ? rate : kPluginDefaultRate);
}

std::string PlaySettings::text() const {
    const char* mode_name = mode == 0 ? "nearest" : mode == 2 ? "cubic" : "linear";
    char ramp[32];
    if (ramp_length == 0 || ramp_length == 3000 || ramp_length == 8000) {
        std::snprintf(ramp, sizeof ramp, "%s",
                      ramp_length == 0      ? "off"
                      : ramp_length == 3000 ? "light"
                                            : "heavy");
    } else {
        std::snprintf(ramp, sizeof ramp, "%.4g ms", ramp_length / 1000.0);
    }
    char text[160];
    std::snprintf(text, sizeof text, "%u Hz  %s  volume %.3g  ramp %s", output_rate(), mode_name,
                  volume / 1000.0, ramp);
    return text;
}

void PlaySettings::step_volume(int steps) {
    // A volume off the step grid (typed on the page) moves to the next grid point.
    const int32_t below = std::clamp(volume, kVolumeMin, kVolumeMax) / kVolumeStep * kVolumeStep;
    int32_t next =
        steps > 0 ? below + kVolumeStep : (below == volume ? below - kVolumeStep : below);
    volume = std::clamp(next, kVolumeMin, kVolumeMax);
}

}  // namespace qarvel_cli
