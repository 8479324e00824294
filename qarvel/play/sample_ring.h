#pragma once
// A single-producer, single-consumer ring of interleaved stereo float frames between the
// feeder thread (which decodes ahead) and the audio callback (which only copies out).
//
// Limits and choices:
// - Lock-free and wait-free on both sides: write and read never block, allocate or fail;
//   they move as many frames as fit (write) or are there (read) and say how many.
// - The capacity is rounded up to a power of two frames; memory is taken once, up front.
// - clear() is for when neither side is running (the device paused, the feeder joined).

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace qarvel_cli {

class SampleRing {
  public:
    static constexpr size_t kChannels = 2;

    explicit SampleRing(size_t min_capacity_frames);
    SampleRing(const SampleRing&) = delete;
    SampleRing& operator=(const SampleRing&) = delete;

    size_t capacity_frames() const { return mask_ + 1; }

    // Producer side.
    size_t writable_frames() const;
    // Copies up to `frames` frames in; returns how many fitted.
    size_t write(const float* interleaved, size_t frames);

    // Consumer side.
    size_t readable_frames() const;
    // Copies up to `frames` frames out; returns how many there were.
    size_t read(float* interleaved, size_t frames);

    // Frames written and read since the ring was made (clear() reads the rest): a frame's
    // place in the stream, comparable across the producer's and the consumer's side.
    uint64_t frames_written() const { return written_.load(std::memory_order_acquire); }
    uint64_t frames_read() const { return read_.load(std::memory_order_acquire); }

    // Empties the ring. Neither side may be running.
    void clear();

  private:
    std::unique_ptr<float[]> samples_;
    size_t mask_;
    // Frame counters that only grow; their difference is the fill. Each has one writer.
    alignas(64) std::atomic<uint64_t> written_{0};
    alignas(64) std::atomic<uint64_t> read_{0};
};

}  // namespace qarvel_cli
