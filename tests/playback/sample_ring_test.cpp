// The ring between the feeder thread and the audio callback: what goes in comes out once, in
// order, whatever the block sizes on either side; and the callback's copy pads with silence,
// counting an underrun only while the song still has frames to come.

#include "qarvel/play/sample_ring.h"

#include <gtest/gtest.h>

#include <random>
#include <thread>

#include "qarvel/play/playback_feed.h"

namespace qarvel_cli {
namespace {

// Frame n carries n in its left sample and -n in its right.
void number_frames(std::vector<float>& block, uint64_t first) {
    for (size_t i = 0; i < block.size() / 2; ++i) {
        block[2 * i] = static_cast<float>(first + i);
        block[2 * i + 1] = -static_cast<float>(first + i);
    }
}

TEST(SampleRing, TwoThreadsWithRandomBlockSizesLoseAndRepeatNothing) {
    constexpr uint64_t kFrames = 3'000'000;  // exact in float below 2^24
    SampleRing ring(1000);
    ASSERT_EQ(ring.capacity_frames(), 1024u);

    std::thread producer([&] {
        std::mt19937 sizes(1);
        std::vector<float> block;
        uint64_t sent = 0;
        while (sent < kFrames) {
            const size_t want = std::min<uint64_t>(1 + sizes() % 700, kFrames - sent);
            block.resize(want * 2);
            number_frames(block, sent);
            size_t done = 0;
            while (done < want) {
                done += ring.write(block.data() + 2 * done, want - done);
                if (done < want) std::this_thread::yield();
            }
            sent += want;
        }
    });

    std::mt19937 sizes(2);
    std::vector<float> block;
    uint64_t received = 0;
    uint64_t wrong = 0;
    while (received < kFrames) {
        block.resize((1 + sizes() % 900) * 2);
        const size_t got = ring.read(block.data(), block.size() / 2);
        for (size_t i = 0; i < got; ++i) {
            const float n = static_cast<float>(received + i);
            wrong += (block[2 * i] != n || block[2 * i + 1] != -n) ? 1 : 0;
        }
        received += got;
        if (got == 0) std::this_thread::yield();
    }
    producer.join();
    EXPECT_EQ(wrong, 0u);
    EXPECT_EQ(received, kFrames);
    EXPECT_EQ(ring.readable_frames(), 0u);
}

TEST(SampleRing, WritesOnlyWhatFitsAndClearEmptiesIt) {
    SampleRing ring(8);
    std::vector<float> block(2 * 12);
    number_frames(block, 0);
    EXPECT_EQ(ring.write(block.data(), 12), 8u);
    EXPECT_EQ(ring.writable_frames(), 0u);
    std::vector<float> out(2 * 5);
    ASSERT_EQ(ring.read(out.data(), 5), 5u);
    EXPECT_EQ(out[8], 4.0f);
    // The next write wraps around the end of the storage.
    EXPECT_EQ(ring.write(block.data() + 2 * 8, 4), 4u);
    std::vector<float> rest(2 * 8);
    ASSERT_EQ(ring.read(rest.data(), 8), 7u);
    for (size_t i = 0; i < 7; ++i) EXPECT_EQ(rest[2 * i], static_cast<float>(5 + i)) << i;
    ring.write(block.data(), 3);
    ring.clear();
    EXPECT_EQ(ring.readable_frames(), 0u);
    EXPECT_EQ(ring.writable_frames(), 8u);
}

TEST(PlaybackFeed, ShortCallbacksArePaddedWithSilenceAndCountedOnlyBeforeTheEnd) {
    struct Case {
        size_t frames_in_ring;
        bool source_done;
        uint32_t underruns;
    };
    for (const Case c :
         {Case{6, false, 0}, Case{3, false, 1}, Case{3, true, 0}, Case{0, true, 0}}) {
        PlaybackFeed feed(16);
        std::vector<float> in(2 * c.frames_in_ring, 0.5f);
        if (!in.empty()) in[1] = -0.75f;
        feed.ring.write(in.data(), c.frames_in_ring);
        feed.source_done = c.source_done;
        std::vector<float> out(2 * 6, 9.0f);
        copy_out_of_feed(feed, out.data(), 6);
        SCOPED_TRACE(c.frames_in_ring);
        EXPECT_EQ(feed.underruns.load(), c.underruns);
        EXPECT_EQ(feed.ring.frames_read(), c.frames_in_ring);
        for (size_t i = 2 * c.frames_in_ring; i < out.size(); ++i) EXPECT_EQ(out[i], 0.0f);
        EXPECT_EQ(feed.peak_left.load(), c.frames_in_ring ? 0.5f : 0.0f);
        EXPECT_EQ(feed.peak_right.load(), c.frames_in_ring ? 0.75f : 0.0f);
        EXPECT_EQ(feed.clipped_samples.load(), 0u);
    }
}

TEST(PlaybackFeed, SamplesBeyondFullScaleAreCountedAsClipped) {
    PlaybackFeed feed(16);
    const std::vector<float> in = {1.0f, -1.0f, 1.0001f, 0.2f, -3.0f, 2.0f, 0.0f, -1.5f};
    feed.ring.write(in.data(), 4);
    std::vector<float> out(2 * 3);
    copy_out_of_feed(feed, out.data(), 3);
    EXPECT_EQ(feed.clipped_samples.load(), 3u);
    copy_out_of_feed(feed, out.data(), 3);  // the last frame, then silence
    EXPECT_EQ(feed.clipped_samples.load(), 4u);
    EXPECT_EQ(feed.peak_right.load(), 1.5f);
}

}  // namespace
}  // namespace qarvel_cli
