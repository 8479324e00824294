// The length scan is a dry run of the whole song at the host's open. A file must not be able
// to make it run for long: song time is capped, and so is the work it spends on events, which
// a 30 KB file can pack at thousands per second of song.

#include <gtest/gtest.h>

#include <cstdint>

#include "dmf_writer/dmf_writer.h"
#include "engine/sequencer.h"
#include "loader/module.h"

namespace tarnwick::robustness {
namespace {

// Orders of one 256-row pattern at the fastest tick rate whose every row runs both gates at
// their shortest durations: some forty events per row, sixty-four rows per second.
writer::Bytes event_dense_song(uint16_t orders) {
    writer::Song song = writer::minimal_song();
    writer::PatternDesc p(1, 256);
    for (uint16_t r = 0; r < 256; ++r) {
        Cell c;
        c.note_effect = 11;   // note gate 0x00: on and off for 16 position units each
        c.volume_effect = 3;  // volume gate 0x00
        if (r == 0) c = writer::note_cell(37, 1), c.note_effect = 11, c.volume_effect = 3;
        p.set(r, 0, c);
        p.set_global(r, 1, 255);  // 256 ticks per second
    }
    song.patterns = {p};
    song.orders.assign(orders, 0);
    return song.build();
}

TEST(LengthScan, EventDenseSongStopsAtTheWorkBudgetLongBeforeTheTimeCap) {
    // Played out, 13000 orders of four seconds each would reach the ten-hour cap.
    const writer::Bytes image = event_dense_song(13000);
    ASSERT_LT(image.size(), 30000u);
    Module module;
    ASSERT_TRUE(module.load_module(image.data(), image.size()));
    const uint32_t seconds = module.compute_length_seconds();
    EXPECT_GT(seconds, 60u);
    EXPECT_LT(seconds, kLengthScanCapSeconds / 4);
}

TEST(LengthScan, OrdinarySongOfNineHoursIsScannedToItsEnd) {
    // 65535 orders of a four-row pattern at 32 ticks per second: 16 ticks of 312 frames at
    // the scan's 10000 Hz each.
    writer::Song song = writer::minimal_song();
    song.orders.assign(65535, 0);
    const writer::Bytes image = song.build();
    Module module;
    ASSERT_TRUE(module.load_module(image.data(), image.size()));
    EXPECT_EQ(module.compute_length_seconds(), 65535u * 16 * 312 / 10000);
}

}  // namespace
}  // namespace tarnwick::robustness
