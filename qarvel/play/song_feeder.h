#pragma once
// The feeder thread: decodes one opened song ahead of the device into a PlaybackFeed. The
// decoder cannot seek, so a start past the beginning is reached by decoding forward and
// throwing the frames away ("skipping"), as fast as the plug-in renders.
//
// Limits and choices:
// - The thread owns the decoder while it runs; decode calls happen on it alone.
// - When the ring is full the thread sleeps a millisecond or two: the callback never signals.
// - A block that is not stereo, or whose rate differs from the first block's, is a render
//   error: the feed carries one format.
// - `seconds_limit` (0: none) ends the song early (the player's --seconds), counted from the
//   song's start at the rate of its first block.

#include <atomic>
#include <cstdint>
#include <thread>

#include "host/song_decoding.h"
#include "qarvel/play/playback_feed.h"

namespace qarvel_cli {

class SongFeeder {
  public:
    // Starts decoding `song` from frame `start_frame` into `feed`, which must have been
    // restarted and stays the feeder's to write until it is destroyed.
    SongFeeder(standin::OpenedSong song, uint64_t start_frame, double seconds_limit,
               PlaybackFeed& feed);
    SongFeeder(const SongFeeder&) = delete;
    SongFeeder& operator=(const SongFeeder&) = delete;
    // Stops the thread and releases the decoder.
    ~SongFeeder();

    // Still decoding toward the start frame.
    bool skipping() const { return skipping_.load(std::memory_order_acquire); }
    // The rate of the delivered blocks; 0 until the first one.
    uint32_t sample_rate() const { return rate_.load(std::memory_order_acquire); }
    // The plug-in answered a decode call with a render error (or an unusable block).
    bool failed() const { return failed_.load(std::memory_order_acquire); }
    // The ring holds enough to start the device, or the song has no more to give.
    bool primed() const;
    // Frames from the song's start to the last one decoded (the song's end, once the feed's
    // source is done).
    uint64_t decoded_frames() const { return decoded_.load(std::memory_order_acquire); }

  private:
    void run();
    // Writes all of `frames` into the ring, waiting for room; false when stopped meanwhile.
    bool push(const float* samples, size_t frames);

    standin::OpenedSong song_;
    uint64_t start_frame_;
    double seconds_limit_;
    PlaybackFeed& feed_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> skipping_{true};
    std::atomic<bool> failed_{false};
    std::atomic<uint32_t> rate_{0};
    std::atomic<uint64_t> decoded_{0};
    std::thread thread_;
};

}  // namespace qarvel_cli
