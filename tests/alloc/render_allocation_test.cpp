// Rendering must not allocate: once playback has started, no block of any pattern (wider or
// narrower than the ones before) may call the allocator. The allocation meter counts every
// call of the global allocation functions.

#include <gtest/gtest.h>

#include <vector>

#include "dmf_writer/dmf_writer.h"
#include "loader/module.h"
#include "tests/support/allocation_meter.h"

namespace tarnwick {
namespace {

using writer::note_cell;
using writer::PatternDesc;

writer::Song changing_width_song() {
    writer::Song song;
    song.track_count = 8;
    for (const uint8_t tracks : {1, 4, 2, 8, 3}) {
        PatternDesc p(tracks, 8);
        for (uint8_t t = 0; t < tracks; ++t)
            p.set(static_cast<uint16_t>(t % 8), t, note_cell(37 + t, 1));
        song.patterns.push_back(p);
    }
    song.orders = {0, 1, 2, 3, 4, 1, 0, 3};
    song.loop_end = 7;
    std::vector<int8_t> frames(500);
    for (size_t k = 0; k < frames.size(); ++k) frames[k] = static_cast<int8_t>(k % 64 - 32);
    song.samples.push_back(writer::SampleDesc::pcm8("saw", frames).loop(0, 255));
    return song;
}

TEST(Allocation, PlayingASongAllocatesNothingAfterTheFirstBlock) {
    const writer::Bytes image = changing_width_song().build();
    Module m;
    ASSERT_TRUE(m.load_module(image.data(), image.size()));
    m.compute_length_seconds();
    m.set_resample_mode(2);
    m.set_output_rate(44100);
    m.looping = true;
    std::vector<float> block(2 * 512);
    ASSERT_EQ(m.render(block.data(), 512), 512);

    test::AllocationMeter meter;
    for (int i = 0; i < 2000; ++i)
        ASSERT_EQ(m.render(block.data(), 512), 512);  // three times round
    EXPECT_EQ(meter.calls(), 0u);
    EXPECT_EQ(m.players.capacity, 8u) << "every pattern width was played";
}

}  // namespace
}  // namespace tarnwick
