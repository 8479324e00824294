#include "qarvel/play/sample_ring.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace qarvel_cli {

SampleRing::SampleRing(size_t min_capacity_frames)
    : mask_(std::bit_ceil(std::max<size_t>(min_capacity_frames, 2)) - 1) {
    samples_ = std::make_unique<float[]>((mask_ + 1) * kChannels);
}

size_t SampleRing::writable_frames() const {
    const uint64_t filled =
        written_.load(std::memory_order_relaxed) - read_.load(std::memory_order_acquire);
    return capacity_frames() - static_cast<size_t>(filled);
}

size_t SampleRing::readable_frames() const {
    return static_cast<size_t>(written_.load(std::memory_order_acquire) -
                               read_.load(std::memory_order_relaxed));
}

size_t SampleRing::write(const float* interleaved, size_t frames) {
    const uint64_t at = written_.load(std::memory_order_relaxed);
    const size_t count = std::min(frames, writable_frames());
    if (count == 0) return 0;
    const size_t start = static_cast<size_t>(at) & mask_;
    const size_t first = std::min(count, capacity_frames() - start);
    std::memcpy(&samples_[start * kChannels], interleaved, first * kChannels * sizeof(float));
    if (count > first) {
        std::memcpy(&samples_[0], interleaved + first * kChannels,
                    (count - first) * kChannels * sizeof(float));
    }
    written_.store(at + count, std::memory_order_release);
    return count;
}

size_t SampleRing::read(float* interleaved, size_t frames) {
    const uint64_t at = read_.load(std::memory_order_relaxed);
    const size_t count = std::min(frames, readable_frames());
    if (count == 0) return 0;
    const size_t start = static_cast<size_t>(at) & mask_;
    const size_t first = std::min(count, capacity_frames() - start);
    std::memcpy(interleaved, &samples_[start * kChannels], first * kChannels * sizeof(float));
    if (count > first) {
        std::memcpy(interleaved + first * kChannels, &samples_[0],
                    (count - first) * kChannels * sizeof(float));
    }
    read_.store(at + count, std::memory_order_release);
    return count;
}

void SampleRing::clear() {
    read_.store(written_.load(std::memory_order_relaxed), std::memory_order_relaxed);
}

}  // namespace qarvel_cli
