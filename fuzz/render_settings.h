#pragma once
// The playback settings that a render fuzz input chooses with its first bytes. They reach the
// module as a decoder's open hands them over (test::apply_playback_settings).
//
// Input layout: a control byte, then (when its bit 4 is set) four raw little-endian 32-bit
// settings, then the rest of the input.
//   bits 0-1  resampling mode 0..3 (3 plays linear, as any unknown mode does)
//   bit 2     ramping on, with the "Light" ramp of 3 ms
//   bit 3     looping
//   bit 4     raw settings follow: output rate, resampling mode, mixing volume in
//             thousandths and ramp length in thousandths of a millisecond, exactly as
//             stored settings could hold them, unchecked (overrides bits 0-2 and 5-7)
//   bits 5-7  output rate from a table of the rates the preferences page offers and a few
//             it does not

#include <cstddef>
#include <cstdint>

#include "tests/support/playback_settings.h"

namespace tarnwick::fuzz {

using RenderSettings = test::PlaybackSettings;

inline uint32_t read_u32(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

// Takes the settings from the front of the input and advances past them; false when the
// input is too short to hold them.
inline bool take_render_settings(const uint8_t*& data, size_t& size, RenderSettings& s) {
    static constexpr uint32_t kRates[8] = {48000, 44100, 11025, 22025, 8000, 1000, 255, 384000};
    if (size < 1) return false;
    const uint8_t control = data[0];
    ++data;
    --size;
    s.resample_mode = control & 3u;
    s.ramp_thousandths_ms = (control & 4u) ? 3000 : 0;
    s.looping = (control & 8u) != 0;
    s.output_rate = kRates[control >> 5];
    if (control & 16u) {
        if (size < 16) return false;
        s.output_rate = read_u32(data);
        s.resample_mode = read_u32(data + 4);
        s.mix_volume_thousandths = static_cast<int32_t>(read_u32(data + 8));
        s.ramp_thousandths_ms = static_cast<int32_t>(read_u32(data + 12));
        data += 16;
        size -= 16;
    }
    return true;
}

}  // namespace tarnwick::fuzz
