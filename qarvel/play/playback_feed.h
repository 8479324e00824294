#pragma once
// What the feeder thread, the audio callback and the player's screen share while songs play:
// the ring of decoded frames and a few counters, all lock-free. One song follows another in
// the ring without a gap; the ring's frame counts say where each begins.

#include <atomic>
#include <cstdint>

#include "qarvel/play/sample_ring.h"

namespace qarvel_cli {

struct PlaybackFeed {
    explicit PlaybackFeed(size_t ring_frames) : ring(ring_frames) {}

    SampleRing ring;
    // Set by the player once the last frame of the last song to play is in the ring: an empty
    // ring is then the end, not an underrun.
    std::atomic<bool> source_done{false};
    // Callbacks that found fewer frames than the device asked for, over the whole run.
    std::atomic<uint32_t> underruns{0};
    // Samples handed to the device beyond full scale (which the device clips), over the run.
    std::atomic<uint64_t> clipped_samples{0};
    // Peak levels of the last callback's frames, left and right.
    std::atomic<float> peak_left{0.0f};
    std::atomic<float> peak_right{0.0f};

    // Starts afresh. Neither the feeder nor the callback may be running.
    void restart() {
        ring.clear();
        source_done.store(false);
        peak_left.store(0.0f);
        peak_right.store(0.0f);
    }
};

// The audio callback's work: fills `out` with `frames` frames from the feed, silence for any
// it lacks. Never blocks, allocates or logs.
void copy_out_of_feed(PlaybackFeed& feed, float* out, size_t frames);

}  // namespace qarvel_cli
