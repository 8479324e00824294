#pragma once
// The feeder thread: decodes one opened song ahead of the device into a PlaybackFeed. The
// decoder cannot seek, so a start past the beginning is reached by decoding forward and
// throwing the frames away ("skipping"), as fast as the plug-in renders.
//
// Limits and choices:
// - The thread owns the decoder while it runs; decode calls happen on it alone.
// - When the ring is full the thread sleeps a millisecond or two: the callback never signals.
// - The feed carries one format: a block that is not stereo, or not at the rate the device
//   plays, is a render error.
// - Positions are frames from the song's start at that rate: decoding starts giving frames at
//   `start_frame` and ends before `end_frame` (the player's --start and --seconds).
// - Feeders of successive songs write into the same ring one after the other (one is
//   destroyed before the next is made): the ring's single producer moves between threads.

#include <atomic>
#include <cstdint>
#include <thread>

#include "host/song_decoding.h"
#include "qarvel/play/playback_feed.h"

namespace qarvel_cli {

class SongFeeder {
  public:
    static constexpr uint64_t kNoEnd = UINT64_MAX;

    // Starts decoding `song` at `rate` into `feed`, which stays the feeder's to write until
    // it is destroyed.
    SongFeeder(standin::OpenedSong song, uint32_t rate, uint64_t start_frame, uint64_t end_frame,
               PlaybackFeed& feed);
    SongFeeder(const SongFeeder&) = delete;
    SongFeeder& operator=(const SongFeeder&) = delete;
    // Stops the thread and releases the decoder.
    ~SongFeeder();

    // Still decoding toward the start frame.
    bool skipping() const { return skipping_.load(std::memory_order_acquire); }
    // The plug-in answered a decode call with a render error (or an unusable block).
    bool failed() const { return failed_.load(std::memory_order_acquire); }
    // Decoding is over and every frame it gave is in the ring (or the feeder was stopped).
    bool finished() const { return finished_.load(std::memory_order_acquire); }
    // The ring holds enough to start the device, or the song has no more to give.
    bool primed() const;
    // Frames from the song's start to the last one decoded (the song's end, once finished).
    uint64_t decoded_frames() const { return decoded_.load(std::memory_order_acquire); }

  private:
    void run();
    // Writes all of `frames` into the ring, waiting for room; false when stopped meanwhile.
    bool push(const float* samples, size_t frames);

    standin::OpenedSong song_;
    uint32_t rate_;
    uint64_t start_frame_;
    uint64_t end_frame_;
    PlaybackFeed& feed_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> skipping_{true};
    std::atomic<bool> failed_{false};
    std::atomic<bool> finished_{false};
    std::atomic<uint64_t> decoded_{0};
    std::thread thread_;
};

}  // namespace qarvel_cli
