#pragma once
// The five playback settings as the player keeps them while it runs: read back from what the
// plug-in saves (the settings file and the command line's options already loaded), changed by
// the keys, and handed to the plug-in as stored settings records before every open, since
// the decoder reads them only then.

#include <cstdint>
#include <string>
#include <vector>

#include "host/settings_records.h"

namespace qarvel_cli {

struct PlaySettings {
    // The preferences page keeps the mixing volume within these thousandths; the volume keys
    // move it in steps of 0.05.
    static constexpr int32_t kVolumeMin = 100;
    static constexpr int32_t kVolumeMax = 1000;
    static constexpr int32_t kVolumeStep = 50;
    // The lowest output rate the player opens a device at: sound devices play 8000 Hz and up,
    // and below it the device's buffer lasts so long that stopping waits on it.
    static constexpr int32_t kLowestDeviceRate = 8000;
    // The rate the plug-in decodes at when "srate" names none.
    static constexpr int32_t kPluginDefaultRate = 48000;

    int32_t rate = 48000;        // "srate"
    int32_t mode = 1;            // "rsmode"
    int32_t volume = 250;        // "vol"
    int32_t ramp_length = 3000;  // "ramplen"
    bool loop = false;           // "loop"

    // The values among `records`; settings they lack keep their defaults.
    static PlaySettings from_records(const standin::SettingsRecords& records);
    // All five as stored settings records.
    std::vector<uint8_t> records() const;
    // The rate the songs decode at, in Hz.
    uint32_t output_rate() const;
    // "44100 Hz  linear  volume 0.25  ramp light" (loop is shown with the list's modes)
    std::string text() const;
    // The volume one step up (`steps` 1) or down (-1), kept within the page's range.
    void step_volume(int steps);
};

// Whether `volume` (as the page shows it, 0.25) is within the page's 0.1 to 1.0.
constexpr bool volume_in_page_range(double volume) {
    return volume >= PlaySettings::kVolumeMin / 1000.0 &&
           volume <= PlaySettings::kVolumeMax / 1000.0;
}

// Whether --start `start` seconds lies past the end of a song of `length_seconds` (the whole
// seconds a song's report gives, so the song may run up to a second longer) that does not
// loop. A start of 0 never does: a song under a second is still played.
constexpr bool start_past_song_end(double start, double length_seconds, bool loop) {
    return !loop && start > 0.0 && start >= length_seconds + 1.0;
}

}  // namespace qarvel_cli
