// Stored settings are handed back by the host unchecked and a decoder's open uses them as they
// are: output rate, resampling mode, mixing volume and ramp length may hold any 32-bit value.
// Whatever they hold, a song must play without undefined arithmetic or values that are not
// finite.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "shell/config_var.h"
#include "tests/robustness/busy_song.h"
#include "tests/robustness/hostile_playback.h"
#include "tests/support/settings_record.h"

namespace tarnwick::robustness {
namespace {

using writer::Bytes;

// A record of any 32-bit pattern, as stored settings could hold it.
Bytes record(const char* name, uint32_t bits) {
    return test::settings_record(name, static_cast<int32_t>(bits));
}

// The settings as a decoder's open reads them.
PlaySettings from_config() {
    return PlaySettings(test::PlaybackSettings::stored());
}

TEST(StoredSettings, ExtremeValuesPlayTheBusySongSafely) {
    const Bytes song = busy_song().build();
    const uint32_t rates[] = {0, 1, 255, 256, 11025, 384000, 0x7FFFFFFFu, 0xFFFFFFFFu};
    const uint32_t modes[] = {0, 2, 3, 0xFFFFFFFFu};
    const uint32_t volumes[] = {0, 1000, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu};
    const uint32_t ramps[] = {0, 1, 8000, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu};
    size_t k = 0;
    for (uint32_t rate : rates) {
        for (uint32_t mode : modes) {
            // Volumes and ramps in turn, so that every value meets every rate.
            for (size_t j = 0; j < 6; ++j, ++k) {
                Bytes blob = record("srate", rate);
                for (const Bytes& r : {record("rsmode", mode), record("vol", volumes[k % 5]),
                                       record("ramplen", ramps[(k / 5 + j) % 6]),
                                       record("loop", static_cast<uint32_t>(k % 2))}) {
                    blob.insert(blob.end(), r.begin(), r.end());
                }
                ConfigVar::load_all(blob.data(), blob.size());
                PlaySettings s = from_config();
                s.blocks = 12;
                const PlayOutcome outcome = play(song, s);
                test::store_settings({});
                ASSERT_TRUE(outcome.loaded());
                EXPECT_EQ(outcome.fault, "") << "rate " << rate << " mode " << mode;
            }
        }
    }
}

TEST(StoredSettings, EveryCutOfAStoredBlobStillPlays) {
    Bytes blob;
    for (const Bytes& r :
         {record("loop", 1), record("ramplen", 0x7FFFFFFFu), record("vol", 0x80000000u),
          record("rsmode", 2), record("srate", 0xFFFFFFFFu)}) {
        blob.insert(blob.end(), r.begin(), r.end());
    }
    const Bytes song = busy_song().build();
    for (size_t size = 0; size <= blob.size(); ++size) {
        const Bytes cut(blob.begin(), blob.begin() + size);
        ConfigVar::load_all(cut.data(), cut.size());
        PlaySettings s = from_config();
        s.blocks = 4;
        const PlayOutcome outcome = play(song, s);
        test::store_settings({});
        EXPECT_EQ(outcome.fault, "") << size;
    }
}

}  // namespace
}  // namespace tarnwick::robustness
