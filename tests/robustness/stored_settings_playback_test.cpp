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

namespace tarnwick::robustness {
namespace {

using writer::Bytes;

void put_u32(Bytes& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

Bytes record(const char* name, uint32_t value) {
    Bytes out;
    const std::string n = name;
    put_u32(out, static_cast<uint32_t>(n.size()));
    out.insert(out.end(), n.begin(), n.end());
    put_u32(out, 4);
    put_u32(out, value);
    return out;
}

// The settings as a decoder's open reads them.
PlaySettings from_config() {
    PlaySettings s;
    s.output_rate = static_cast<uint32_t>(config_srate.value());
    s.resample_mode = static_cast<uint32_t>(config_rsmode.value());
    s.mix_volume_thousandths = config_vol.value();
    s.ramp_thousandths_ms = config_ramplen.value();
    s.looping = config_loop.value() == 1;
    return s;
}

void restore_defaults() {
    config_srate.set_value(kDefaultSampleRate);
    config_rsmode.set_value(kDefaultResampleMode);
    config_vol.set_value(kDefaultMixVolume);
    config_ramplen.set_value(kDefaultRampLength);
    config_loop.set_value(kDefaultLoop);
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
                restore_defaults();
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
        restore_defaults();
        EXPECT_EQ(outcome.fault, "") << size;
    }
}

}  // namespace
}  // namespace tarnwick::robustness
