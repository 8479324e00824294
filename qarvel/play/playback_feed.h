#pragma once
// What the feeder thread, the audio callback and the player's screen share while a song
// plays: the ring of decoded frames and a few counters, all lock-free.

#include <atomic>
#include <cstdint>

#include "qarvel/play/sample_ring.h"

namespace qarvel_cli {

struct PlaybackFeed {
    explicit PlaybackFeed(size_t ring_frames) : ring(ring_frames) {}

    SampleRing ring;
    // Set by the feeder after it wrote the song's last frame: an empty ring is then the end
    // of the song, not an underrun.
    std::atomic<bool> source_done{false};
    // Frames the callback handed to the device since the song (re)opened.
    std::atomic<uint64_t> frames_played{0};
    // Callbacks that found fewer frames than the device asked for, over the whole run.
    std::atomic<uint32_t> underruns{0};
    // Peak levels of the last callback's frames, left and right.
    std::atomic<float> peak_left{0.0f};
    std::atomic<float> peak_right{0.0f};

    // Starts a song afresh. Neither the feeder nor the callback may be running.
    void restart() {
        ring.clear();
        source_done.store(false);
        frames_played.store(0);
        peak_left.store(0.0f);
        peak_right.store(0.0f);
    }
};

// The audio callback's work: fills `out` with `frames` frames from the feed, silence for any
// it lacks. Never blocks, allocates or logs.
void copy_out_of_feed(PlaybackFeed& feed, float* out, size_t frames);

}  // namespace qarvel_cli
