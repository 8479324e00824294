#include "decoder/decoder_settings.h"

#include "loader/module.h"
#include "shell/config_var.h"

namespace tarnwick {

DecoderSettings DecoderSettings::current() {
    return {config_srate.value(), config_rsmode.value(), config_vol.value(), config_ramplen.value(),
            config_loop.value()};
}

uint32_t DecoderSettings::output_rate() const {
    // 0 Hz would leave the host nothing to play at and the voices an infinite step; a negative
    // value would wrap to a rate of gigahertz.
    if (sample_rate <= 0) return static_cast<uint32_t>(kDefaultSampleRate);
    return static_cast<uint32_t>(sample_rate);
}

float DecoderSettings::mix_gain() const {
    return static_cast<float>(static_cast<double>(mix_volume) * 0.001);
}

float DecoderSettings::ramp_ms() const {
    return static_cast<float>(static_cast<double>(ramp_length) * 0.001);
}

void configure_playback(Module& module, const DecoderSettings& settings, uint32_t output_rate,
                        bool looping) {
    module.set_resample_mode(settings.resample_mode_value());
    module.set_mix_volume(settings.mix_gain());
    module.set_output_rate(output_rate);
    module.set_ramping(settings.ramping());
    module.set_ramp_ms(settings.ramp_ms());
    module.looping = looping;
}

}  // namespace tarnwick
