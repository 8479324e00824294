// The embedded demo song: it loads, it is laid out as its header promises, it uses the effects
// it is meant to show off, and its bytes are the same in every build and edition.

#include "demo/demo_song.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>

#include "loader/module.h"

namespace tarnwick {
namespace {

uint64_t fnv1a(const writer::Bytes& bytes) {
    uint64_t h = 1469598103934665603ull;
    for (uint8_t b : bytes) h = (h ^ b) * 1099511628211ull;
    return h;
}

class DemoSong : public testing::Test {
  protected:
    void SetUp() override {
        image_ = demo::demo_song_image();
        ASSERT_STREQ(to_string(module_.load_module_explained(image_.data(), image_.size())),
                     "none");
    }
    writer::Bytes image_;
    Module module_;
};

TEST_F(DemoSong, LoadsWithItsTextsOrdersAndLoop) {
    EXPECT_STREQ(module_.title, "Tarnwick Demo");
    EXPECT_EQ(module_.version, 8u);
    ASSERT_TRUE(module_.message);
    EXPECT_EQ(std::string(module_.message.get()).substr(0, 19), "tarnwick demo song ");
    EXPECT_EQ(module_.order_count, 5u);
    EXPECT_EQ(module_.loop_start, 1u);
    EXPECT_EQ(module_.loop_end, 3u);
    ASSERT_EQ(module_.pattern_count, 5u);
    for (uint32_t i = 0; i < module_.pattern_count; ++i) {
        EXPECT_EQ(module_.patterns[i].track_count, 4u);
        EXPECT_EQ(module_.patterns[i].beat, 4u);
    }
}

TEST_F(DemoSong, HasOneInstrumentOfEachStorageWithSoundAndLibraryNames) {
    ASSERT_EQ(module_.samples.count(), 6u);
    std::set<SampleFormat> formats;
    for (uint32_t i = 0; i < module_.samples.count(); ++i) {
        const Sample& s = *module_.samples.at(i);
        SCOPED_TRACE(s.name.get());
        formats.insert(s.format);
        ASSERT_TRUE(s.library_name);
        EXPECT_EQ(s.stored_elements, s.length + 2);
        float peak = 0.0f;
        for (uint32_t f = 1; f <= s.length; ++f) peak = std::max(peak, std::abs(s.data[f]));
        EXPECT_GT(peak, 0.3f);
    }
    EXPECT_EQ(formats, (std::set<SampleFormat>{SampleFormat::pcm8, SampleFormat::pcm16,
                                               SampleFormat::packed}));
    // The looping instruments wrap onto a frame equal to their first: no click at the loop.
    for (uint32_t i : {1u, 5u}) {
        const Sample& s = *module_.samples.at(i);
        ASSERT_NE(s.loop_end, 0u);
        EXPECT_EQ(s.data[s.loop_end + 1], s.data[s.loop_start + 1]);
    }
}

TEST_F(DemoSong, ShowsOffTempoAndTrackEffects) {
    std::set<int> global, instrument, note, volume, notes;
    for (uint32_t p = 0; p < module_.pattern_count; ++p) {
        const Pattern& pattern = module_.patterns[p];
        for (uint32_t r = 0; r < pattern.row_count; ++r) {
            global.insert(pattern.global_types[r]);
            for (uint32_t t = 0; t < pattern.track_count; ++t) {
                const Cell& c = pattern.cells[t][r];
                instrument.insert(c.instrument_effect);
                note.insert(c.note_effect);
                volume.insert(c.volume_effect);
                if (c.note > 128) notes.insert(c.note == 255 ? 255 : 129);
            }
        }
    }
    for (int type : {1, 2, 3, 7}) EXPECT_TRUE(global.count(type)) << "global " << type;
    for (int type : {4, 5, 6, 10}) EXPECT_TRUE(instrument.count(type)) << "instrument " << type;
    for (int type : {1, 3, 5, 6, 8, 12}) EXPECT_TRUE(note.count(type)) << "note " << type;
    for (int type : {1, 2, 3, 4, 7, 9, 10}) EXPECT_TRUE(volume.count(type)) << "volume " << type;
    EXPECT_TRUE(notes.count(129)) << "a portamento target";
    EXPECT_TRUE(notes.count(255)) << "a note off";
}

TEST_F(DemoSong, BytesAreTheSameInEveryBuild) {
    // Instruments are synthesized with integers only, so both editions write the same file.
    // After a deliberate change to the song, put the new value here.
    EXPECT_EQ(fnv1a(image_), 0x37d33760e0e1dc45ull)
        << "hash 0x" << std::hex << fnv1a(image_) << ", " << std::dec << image_.size() << " bytes";
}

}  // namespace
}  // namespace tarnwick
