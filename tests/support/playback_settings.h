#pragma once
// Playback settings as stored settings could hold them, unchecked, and how they reach a module:
// through the decoder's own configure_playback, in the order and with the conversions of a
// decoder's open. Unlike an open, the output rate is handed on as it is (an open replaces 0
// and below by the default rate), so that tests and fuzz targets reach the module's own limits.

#include <cstdint>

#include "decoder/decoder_settings.h"
#include "loader/module.h"
#include "shell/config_var.h"
#include "tests/support/stored_settings.h"

namespace tarnwick::test {

struct PlaybackSettings {
    uint32_t output_rate = kDefaultSampleRate;
    uint32_t resample_mode = kDefaultResampleMode;
    int32_t mix_volume_thousandths = kDefaultMixVolume;
    int32_t ramp_thousandths_ms = kDefaultRampLength;
    bool looping = false;

    // What the five settings hold now.
    static PlaybackSettings stored() {
        const StoredSettings now = current_settings();
        PlaybackSettings s;
        s.output_rate = static_cast<uint32_t>(now.srate);
        s.resample_mode = static_cast<uint32_t>(now.rsmode);
        s.mix_volume_thousandths = now.vol;
        s.ramp_thousandths_ms = now.ramplen;
        s.looping = now.loop == 1;
        return s;
    }
};

inline void apply_playback_settings(Module& module, const PlaybackSettings& s) {
    const DecoderSettings as_stored{static_cast<int32_t>(s.output_rate),
                                    static_cast<int32_t>(s.resample_mode), s.mix_volume_thousandths,
                                    s.ramp_thousandths_ms, s.looping ? 1 : 0};
    configure_playback(module, as_stored, s.output_rate, s.looping);
}

}  // namespace tarnwick::test
