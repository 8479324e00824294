#pragma once
// What the plug-in does with a file it is handed, end to end and without the host: load it,
// scan its length, configure playback and render blocks of 512 frames, checking on the way
// that playback keeps its promises (no block longer than asked, only finite samples, a song
// that has ended stays ended). The sanitizer builds of these tests catch any read outside a
// buffer or undefined arithmetic on the way.

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "loader/module.h"
#include "tests/support/playback_settings.h"

namespace tarnwick::robustness {

inline constexpr uint32_t kBlockFrames = 512;

// Playback settings as stored settings could hold them, and how many blocks to render.
struct PlaySettings : test::PlaybackSettings {
    PlaySettings() = default;
    explicit PlaySettings(const test::PlaybackSettings& settings, int block_count = 16)
        : test::PlaybackSettings(settings), blocks(block_count) {}
    int blocks = 16;  // at most this many blocks are rendered
};

struct PlayOutcome {
    LoadRefusal refusal = LoadRefusal::none;
    uint32_t length_seconds = 0;
    uint64_t frames = 0;         // frames rendered in all
    bool render_failed = false;  // render returned -1
    bool ended = false;          // render returned fewer frames than asked
    std::string fault;           // a broken promise, empty when there is none

    bool loaded() const { return refusal == LoadRefusal::none; }
};

// Renders up to `s.blocks` blocks of an already loaded module.
inline void render_blocks(Module& module, const PlaySettings& s, PlayOutcome& outcome) {
    std::vector<float> block(2 * kBlockFrames);
    for (int b = 0; b < s.blocks; ++b) {
        std::fill(block.begin(), block.end(), 0.0f);
        const int32_t n = module.render(block.data(), kBlockFrames);
        if (n < 0) {
            outcome.render_failed = true;
            return;
        }
        if (n > static_cast<int32_t>(kBlockFrames)) {
            outcome.fault = "render delivered more frames than asked";
            return;
        }
        for (int32_t i = 0; i < 2 * n; ++i) {
            if (!std::isfinite(block[i])) {
                outcome.fault = "render produced a value that is not finite";
                return;
            }
        }
        outcome.frames += static_cast<uint32_t>(n);
        if (n < static_cast<int32_t>(kBlockFrames)) {
            outcome.ended = true;
            if (module.render(block.data(), kBlockFrames) != 0) {
                outcome.fault = "an ended song rendered again";
            }
            return;
        }
    }
}

// Load, length scan, settings and rendering, as a decoder plays a file it was handed.
inline PlayOutcome play(const uint8_t* data, size_t size, const PlaySettings& s = {}) {
    PlayOutcome outcome;
    Module module;
    outcome.refusal = module.load_module_explained(data, size);
    if (!outcome.loaded()) return outcome;
    outcome.length_seconds = module.compute_length_seconds();
    test::apply_playback_settings(module, s);
    render_blocks(module, s, outcome);
    return outcome;
}

inline PlayOutcome play(const std::vector<uint8_t>& image, const PlaySettings& s = {}) {
    return play(image.data(), image.size(), s);
}

// Settings that differ in everything the mixer branches on: each resampling mode (and an
// unknown one), ramping on and off, looping on and off.
inline std::vector<PlaySettings> settings_grid(int blocks) {
    std::vector<PlaySettings> grid;
    for (uint32_t mode = 0; mode < 4; ++mode) {
        for (int ramp : {0, 3000}) {
            PlaySettings s;
            s.resample_mode = mode;
            s.ramp_thousandths_ms = ramp;
            s.looping = (mode + (ramp != 0)) % 2 == 1;
            s.output_rate = mode == 3 ? 11025 : 48000;
            s.blocks = blocks;
            grid.push_back(s);
        }
    }
    return grid;
}

}  // namespace tarnwick::robustness
