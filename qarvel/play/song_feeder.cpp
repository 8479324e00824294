#include "qarvel/play/song_feeder.h"

#include <algorithm>
#include <chrono>
#include <vector>

namespace qarvel_cli {

SongFeeder::SongFeeder(standin::OpenedSong song, uint32_t rate, uint64_t start_frame,
                       uint64_t end_frame, PlaybackFeed& feed)
    : song_(std::move(song)),
      rate_(rate),
      start_frame_(start_frame),
      end_frame_(end_frame),
      feed_(feed),
      thread_([this] { run(); }) {}

SongFeeder::~SongFeeder() {
    stop_.store(true);
    thread_.join();
}

bool SongFeeder::primed() const {
    if (skipping()) return false;
    return finished() || feed_.ring.readable_frames() >= feed_.ring.capacity_frames() / 2;
}

bool SongFeeder::push(const float* samples, size_t frames) {
    while (frames > 0) {
        const size_t taken = feed_.ring.write(samples, frames);
        samples += taken * SampleRing::kChannels;
        frames -= taken;
        if (frames == 0) break;
        if (stop_.load(std::memory_order_relaxed)) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

void SongFeeder::run() {
    std::vector<float> narrowed;
    uint64_t position = 0;  // frames decoded from the song's start
    const standin::DecodeEnd end =
        standin::decode_song(*song_.decoder.get(), [&](const standin::BlockBuffer& block) {
            if (stop_.load(std::memory_order_relaxed)) return false;
            if (block.channels() != SampleRing::kChannels || block.sample_rate() != rate_) {
                failed_.store(true, std::memory_order_release);
                return false;
            }
            const uint64_t block_start = position;
            const uint64_t block_end = std::min<uint64_t>(position + block.frames(), end_frame_);
            position = block_end;
            decoded_.store(position, std::memory_order_release);
            if (block_end > start_frame_) {
                skipping_.store(false, std::memory_order_release);
                const uint64_t first = std::max(block_start, start_frame_) - block_start;
                const size_t count = static_cast<size_t>(block_end - block_start - first);
                narrowed.resize(count * SampleRing::kChannels);
                const double* from = block.samples() + first * SampleRing::kChannels;
                for (size_t i = 0; i < narrowed.size(); ++i) {
                    narrowed[i] = static_cast<float>(from[i]);
                }
                if (!push(narrowed.data(), count)) return false;
            }
            return position < end_frame_;
        });
    if (end == standin::DecodeEnd::render_error) failed_.store(true, std::memory_order_release);
    song_.decoder.reset();
    skipping_.store(false, std::memory_order_release);
    finished_.store(true, std::memory_order_release);
}

}  // namespace qarvel_cli
