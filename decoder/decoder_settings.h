#pragma once
// The five settings as one decoder's open sees them: read once, at the start of the open, so
// that the reported "samplerate" and the decoding configuration agree even while the
// preferences page changes a value. The values are kept as stored; the conversions below turn
// them into what the sequencer takes.
//
// Limits and choices:
// - An "srate" of 0 or below names no rate: such a song decodes at kDefaultSampleRate (the
//   track information still shows the stored value). Every positive value is used as stored.
// - "rsmode" is handed on as an unsigned mode; values other than 0 and 2 mean linear.
// - "vol" and "ramplen" are scaled by 0.001 in double precision and then narrowed to float, so
//   no stored value can overflow; a negative ramp length means no ramp (the sequencer floors it
//   at 0) while ramping stays switched on.

#include <cstdint>

namespace tarnwick {

struct Module;

struct DecoderSettings {
    int32_t sample_rate;    // "srate"
    int32_t resample_mode;  // "rsmode"
    int32_t mix_volume;     // "vol", thousandths
    int32_t ramp_length;    // "ramplen", thousandths of a millisecond
    int32_t loop;           // "loop", 1 loops

    // The five values as they are now.
    static DecoderSettings current();

    // The rate the decoder renders and reports to the host, in Hz.
    uint32_t output_rate() const;
    uint32_t resample_mode_value() const { return static_cast<uint32_t>(resample_mode); }
    float mix_gain() const;  // "vol" x 0.001
    bool ramping() const { return ramp_length != 0; }
    float ramp_ms() const;  // "ramplen" x 0.001
    // Whether the song loops: "loop" is exactly 1 and the open did not forbid it.
    bool looping(bool no_loop_flag) const { return !no_loop_flag && loop == 1; }
};

// Hands the settings to `module` as a decoder's open does, in its order, playing at
// `output_rate` and looping or not. The open passes settings.output_rate() and
// settings.looping(flag); the robustness tests and fuzz targets pass rates no stored value
// yields, to show that the module copes with them too.
void configure_playback(Module& module, const DecoderSettings& settings, uint32_t output_rate,
                        bool looping);

}  // namespace tarnwick
