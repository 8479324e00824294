#pragma once
// The five stored settings as plain values: set them before a test, read them after it, compare
// them in tables. They live in the plug-in's ConfigVars, which keep their values from test to
// test, so a test that changes them puts the defaults back (store_settings({})).

#include <cstdint>
#include <ostream>

#include "shell/config_var.h"

namespace tarnwick::test {

struct StoredSettings {
    int32_t srate = kDefaultSampleRate;
    int32_t rsmode = kDefaultResampleMode;
    int32_t vol = kDefaultMixVolume;
    int32_t ramplen = kDefaultRampLength;
    int32_t loop = kDefaultLoop;

    bool operator==(const StoredSettings&) const = default;
};

inline void store_settings(const StoredSettings& s) {
    config_srate.set_value(s.srate);
    config_rsmode.set_value(s.rsmode);
    config_vol.set_value(s.vol);
    config_ramplen.set_value(s.ramplen);
    config_loop.set_value(s.loop);
}

// What the settings hold now.
inline StoredSettings current_settings() {
    return {config_srate.value(), config_rsmode.value(), config_vol.value(), config_ramplen.value(),
            config_loop.value()};
}

inline std::ostream& operator<<(std::ostream& os, const StoredSettings& s) {
    return os << "srate " << s.srate << " rsmode " << s.rsmode << " vol " << s.vol << " ramplen "
              << s.ramplen << " loop " << s.loop;
}

}  // namespace tarnwick::test
