// Load, length scan and playback of a DMF file image under settings taken from the input's
// first bytes (render_settings.h): any file that loads must render without reading outside
// its buffers, without undefined arithmetic, within its time limit and without producing a
// value that is not a finite number.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz/render_settings.h"
#include "loader/module.h"

namespace {

constexpr uint32_t kBlockFrames = 512;
constexpr int kMaxBlocks = 64;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tarnwick::fuzz::RenderSettings settings;
    if (!tarnwick::fuzz::take_render_settings(data, size, settings)) return -1;

    tarnwick::Module module;
    if (!module.load_module(data, size)) return 0;
    module.compute_length_seconds();
    tarnwick::test::apply_playback_settings(module, settings);

    static float block[2 * kBlockFrames];
    for (int b = 0; b < kMaxBlocks; ++b) {
        for (float& v : block) v = 0.0f;
        const int32_t frames = module.render(block, kBlockFrames);
        if (frames <= 0) break;
        if (frames > static_cast<int32_t>(kBlockFrames)) std::abort();
        // Finite input and finite gains give finite output; anything else is a fault.
        for (uint32_t i = 0; i < 2 * static_cast<uint32_t>(frames); ++i) {
            if (!std::isfinite(block[i])) std::abort();
        }
    }
    return 0;
}
