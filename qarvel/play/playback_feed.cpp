#include "qarvel/play/playback_feed.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace qarvel_cli {

void copy_out_of_feed(PlaybackFeed& feed, float* out, size_t frames) {
    const size_t got = feed.ring.read(out, frames);
    if (got < frames) {
        std::memset(out + got * SampleRing::kChannels, 0,
                    (frames - got) * SampleRing::kChannels * sizeof(float));
        if (!feed.source_done.load(std::memory_order_acquire)) {
            feed.underruns.fetch_add(1, std::memory_order_relaxed);
        }
    }
    float left = 0.0f;
    float right = 0.0f;
    uint64_t clipped = 0;
    for (size_t i = 0; i < got; ++i) {
        const float l = std::fabs(out[2 * i]);
        const float r = std::fabs(out[2 * i + 1]);
        left = std::max(left, l);
        right = std::max(right, r);
        clipped += (l > 1.0f ? 1u : 0u) + (r > 1.0f ? 1u : 0u);
    }
    feed.peak_left.store(left, std::memory_order_relaxed);
    feed.peak_right.store(right, std::memory_order_relaxed);
    if (clipped != 0) feed.clipped_samples.fetch_add(clipped, std::memory_order_relaxed);
}

}  // namespace qarvel_cli
