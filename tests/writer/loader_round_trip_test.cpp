// Songs written by the writer and read back by the real loader: everything the writer puts in
// comes out of the Module unchanged, and the writer's malformations are refused for the
// intended reason.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "dmf_writer/dmf_writer.h"
#include "loader/module.h"

namespace tarnwick::writer {
namespace {

LoadRefusal load(Module& m, const Bytes& image) {
    return m.load_module_explained(image.data(), image.size());
}

void expect_pattern(const Pattern& loaded, const PatternDesc& written) {
    ASSERT_EQ(loaded.track_count, written.track_count());
    ASSERT_EQ(loaded.row_count, written.row_count());
    EXPECT_EQ(loaded.beat, static_cast<uint32_t>(written.beat_byte >> 4));
    for (uint32_t r = 0; r < loaded.row_count; ++r) {
        ASSERT_EQ(loaded.global_types[r], written.global[r].type) << "row " << r;
        ASSERT_EQ(loaded.global_params[r], written.global[r].param) << "row " << r;
        for (uint32_t t = 0; t < loaded.track_count; ++t)
            ASSERT_TRUE(same_cell(loaded.cells[t][r], written.cells[t][r]))
                << "row " << r << " track " << t;
    }
}

// The frames of a loaded sample, as the stored integers.
std::vector<int> loaded_frames(const Sample& s, float scale) {
    std::vector<int> out;
    for (uint32_t i = 0; i < s.length; ++i)
        out.push_back(static_cast<int>(std::lround(s.fetch(i + 1) * scale)));
    return out;
}

PatternDesc random_pattern(std::mt19937& rng, uint8_t tracks, uint16_t rows, int density) {
    PatternDesc p(tracks, rows, static_cast<uint8_t>(rng() % 16));
    for (uint16_t r = 0; r < rows; ++r) {
        if (rng() % density == 0)
            p.set_global(r, static_cast<uint8_t>(1 + rng() % 63), static_cast<uint8_t>(rng()));
        for (uint8_t t = 0; t < tracks; ++t) {
            if (rng() % density != 0) continue;
            Cell c;
            uint8_t* bytes = reinterpret_cast<uint8_t*>(&c);
            for (size_t i = 0; i < sizeof(Cell); ++i)
                bytes[i] = rng() % 2 ? static_cast<uint8_t>(rng()) : 0;
            p.set(r, t, c);
        }
    }
    return p;
}

TEST(LoaderRoundTrip, HeaderTextsVersionAndDateComeBack) {
    Song song = minimal_song();
    song.header.version = 7;
    song.header.tracker_name = "XTRACKER";
    song.header.title = std::string(30, 'A');
    song.header.composer = std::string("Ann\0Other", 9);
    song.header.day = 7;
    song.header.month = 3;
    song.header.year = 95;
    Module m;
    ASSERT_EQ(load(m, song.build()), LoadRefusal::none);
    EXPECT_EQ(m.version, 7u);
    EXPECT_STREQ(m.tracker_name, "XTRACKER");
    EXPECT_EQ(std::string(m.title), std::string(30, 'A'));
    EXPECT_STREQ(m.composer, "Ann");
    EXPECT_EQ(m.created.tm_mday, 7);
    EXPECT_EQ(m.created.tm_mon, 3);
    EXPECT_EQ(m.created.tm_year, 95);
}

TEST(LoaderRoundTrip, MessageComesBackWrappedIntoLinesOf40) {
    Song song = minimal_song();
    song.message = std::string(40, 'a') + std::string(40, 'b') + "c\td";
    Module m;
    ASSERT_EQ(load(m, song.build()), LoadRefusal::none);
    ASSERT_TRUE(m.message);
    EXPECT_STREQ(m.message.get(),
                 (std::string(40, 'a') + "\n" + std::string(40, 'b') + "\nc d").c_str());
}

TEST(LoaderRoundTrip, OrdersAndLoopPointsComeBack) {
    Song song = minimal_song();
    song.orders = {0, 0, 0, 3, 65535};
    song.loop_start = 2;
    song.loop_end = 4;
    Module m;
    ASSERT_EQ(load(m, song.build()), LoadRefusal::none);
    ASSERT_EQ(m.order_count, 5u);
    for (uint32_t i = 0; i < 5; ++i) EXPECT_EQ(m.orders[i], song.orders[i]);
    EXPECT_EQ(m.loop_start, 2u);
    EXPECT_EQ(m.loop_end, 4u);
}

TEST(LoaderRoundTrip, EveryCellByteAndGlobalEffectComesBack) {
    std::mt19937 rng(2024);
    Song song = minimal_song();
    song.track_count = 32;
    song.patterns.clear();
    struct Shape {
        uint8_t tracks;
        uint16_t rows;
        int density;
    };
    for (Shape s : {Shape{1, 64, 1}, Shape{4, 64, 3}, Shape{32, 128, 8}, Shape{0, 40, 2},
                    Shape{3, 0, 1}, Shape{255, 3, 2}, Shape{2, 1000, 50}}) {
        song.patterns.push_back(random_pattern(rng, s.tracks, s.rows, s.density));
    }
    song.patterns[3].compress = false;
    Module m;
    ASSERT_EQ(load(m, song.build()), LoadRefusal::none);
    EXPECT_EQ(m.track_count, 32u);
    ASSERT_EQ(m.pattern_count, song.patterns.size());
    for (size_t i = 0; i < song.patterns.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "pattern " << i);
        expect_pattern(m.patterns[i], song.patterns[i]);
    }
}

TEST(LoaderRoundTrip, LongEmptyRunsDecodeTheSameWithAndWithoutCompression) {
    PatternDesc p(3, 600);
    p.set(0, 0, note_cell(37, 1)).set(300, 1, note_cell(49, 1, 128)).set(599, 2, note_cell(255));
    p.set_global(256, 2, 100);
    for (bool compress : {true, false}) {
        SCOPED_TRACE(compress ? "compressed" : "uncompressed");
        Song song = minimal_song();
        p.compress = compress;
        song.patterns = {p};
        Module m;
        ASSERT_EQ(load(m, song.build()), LoadRefusal::none);
        expect_pattern(m.patterns[0], p);
    }
    // Compressed: each track needs only a handful of entries.
    p.compress = true;
    EXPECT_LT(encode_row_stream(p).size(), 40u);
}

TEST(LoaderRoundTrip, SamplesOfEveryStorageComeBack) {
    std::mt19937 rng(5);
    std::vector<int8_t> noise8(3000);
    for (auto& f : noise8) f = static_cast<int8_t>(rng());
    std::vector<int16_t> noise16(2500);
    for (auto& f : noise16) f = static_cast<int16_t>(rng());
    std::vector<int8_t> runs;
    for (int i = 0; i < 30; ++i)
        runs.insert(runs.end(), 100 + 13 * i, static_cast<int8_t>(i * 9 - 128));

    Song song = minimal_song();
    song.samples = {
        SampleDesc::pcm8("noise8", noise8).loop(10, 2999),
        SampleDesc::pcm16("noise16", noise16).loop(0, 2498),
        SampleDesc::packed("packed noise", noise8),
        SampleDesc::packed("packed runs", runs, TreeShape::huffman),
        SampleDesc::packed("balanced", noise8, TreeShape::balanced),
        SampleDesc::packed("chain", runs, TreeShape::chain).loop(5, 50),
        SampleDesc::pcm8("unsupported", noise8),
    };
    song.samples.back().storage = Storage::unsupported;
    song.samples[1].rate = 44100;
    song.samples[1].volume = 64;
    Module m;
    ASSERT_EQ(load(m, song.build()), LoadRefusal::none);
    ASSERT_EQ(m.samples.count(), song.samples.size());
    for (uint32_t i = 0; i < m.samples.count(); ++i) {
        const SampleDesc& w = song.samples[i];
        const Sample& s = *m.samples.at(i);
        SCOPED_TRACE(w.name);
        EXPECT_STREQ(s.name.get(), w.name.c_str());
        EXPECT_EQ(s.length, w.frames.size());
        EXPECT_EQ(s.base_rate, static_cast<float>(w.rate));
        EXPECT_EQ(s.volume, static_cast<float>(w.volume));
        ASSERT_TRUE(s.data);
        std::vector<int> expected(w.frames.begin(), w.frames.end());
        if (w.storage == Storage::unsupported) expected.assign(w.frames.size(), 0);
        EXPECT_EQ(loaded_frames(s, w.storage == Storage::pcm16 ? 32768.0f : 128.0f), expected);
        // Guard elements repeat the first and last frame.
        EXPECT_EQ(s.fetch(0), s.fetch(1));
        EXPECT_EQ(s.fetch(s.length + 1), s.fetch(s.length));
    }
    EXPECT_EQ(m.samples.at(0)->format, SampleFormat::pcm8);
    EXPECT_EQ(m.samples.at(1)->format, SampleFormat::pcm16);
    EXPECT_EQ(m.samples.at(2)->format, SampleFormat::packed);
    EXPECT_EQ(m.samples.at(6)->format, SampleFormat::unsupported);
    EXPECT_EQ(m.samples.at(0)->loop_start, 10u);
    EXPECT_EQ(m.samples.at(0)->loop_end, 2999u);
    EXPECT_EQ(m.samples.at(1)->loop_start, 0u);
    EXPECT_EQ(m.samples.at(1)->loop_end, 2498u);
    EXPECT_EQ(m.samples.at(2)->loop_end, 0u);
    EXPECT_EQ(m.samples.at(5)->loop_start, 5u);
    EXPECT_EQ(m.samples.at(5)->loop_end, 50u);
}

TEST(LoaderRoundTrip, SampleWithoutFramesLoadsWithoutData) {
    Song song = minimal_song();
    song.samples.push_back(SampleDesc::packed("empty", {}));
    Module m;
    ASSERT_EQ(load(m, song.build()), LoadRefusal::none);
    ASSERT_EQ(m.samples.count(), 2u);
    EXPECT_EQ(m.samples.at(1)->length, 0u);
    EXPECT_FALSE(m.samples.at(1)->data);
}

TEST(LoaderRoundTrip, LibraryNamesComeBackOnlyFromVersion8) {
    for (uint8_t version : {7, 8}) {
        SCOPED_TRACE(testing::Message() << "version " << int(version));
        Song song = minimal_song();
        song.header.version = version;
        song.samples[0].library_name = "LIBRARY1";
        song.samples.push_back(song.samples[0]);
        song.samples[1].name = "second";
        song.samples[1].library_name = "LIB";
        Module m;
        ASSERT_EQ(load(m, song.build()), LoadRefusal::none);
        ASSERT_EQ(m.samples.count(), 2u);
        EXPECT_STREQ(m.samples.at(1)->name.get(), "second");
        if (version == 8) {
            EXPECT_STREQ(m.samples.at(0)->library_name.get(), "LIBRARY1");
            EXPECT_STREQ(m.samples.at(1)->library_name.get(), "LIB");
        } else {
            EXPECT_FALSE(m.samples.at(0)->library_name);
        }
    }
}

TEST(LoaderRoundTrip, UnusualButValidLayoutsLoad) {
    Song song = minimal_song();
    Bytes image = FileBuilder(song.header)
                      .chunk("JUNK", {1, 2, 3})
                      .samples(song.samples)
                      .patterns(song.pattern_chunk())
                      .message("first")
                      .orders(OrderChunk{0, 0, {9}, {}})
                      .orders(song.order_chunk())
                      .message("second")
                      .end()
                      .raw({'n', 'o', 't', ' ', 'r', 'e', 'a', 'd'})
                      .build();
    Module m;
    ASSERT_EQ(load(m, image), LoadRefusal::none);
    EXPECT_STREQ(m.message.get(), "second");
    ASSERT_EQ(m.order_count, 1u);
    EXPECT_EQ(m.orders[0], 0);
}

struct Malformation {
    const char* name;
    Bytes image;
    LoadRefusal reason;
};

std::vector<Malformation> malformations() {
    const Song good = minimal_song();
    std::vector<Malformation> cases;
    {
        Song s = good;
        s.write_end = false;
        cases.push_back({"no ENDE", s.build(), LoadRefusal::missing_end});
    }
    cases.push_back({"truncated to 69 bytes", truncated(good.build(), 69), LoadRefusal::too_short});
    {
        Song s = good;
        s.header.magic = "DDMX";
        cases.push_back({"bad magic", s.build(), LoadRefusal::bad_magic});
    }
    {
        PatternChunk patt = good.pattern_chunk();
        patt.pattern_count = 0;
        cases.push_back({"pattern count 0",
                         FileBuilder(good.header).orders(good.order_chunk()).patterns(patt).build(),
                         LoadRefusal::pattern_count_invalid});
    }
    {
        Song s = good;
        s.track_count = 33;
        cases.push_back({"song track count 33", s.build(), LoadRefusal::song_track_count_invalid});
    }
    {
        SampleInfoChunk smpi = good.sample_info_chunk();
        smpi.sample_count = 2;
        cases.push_back({"sample count beyond the entries",
                         FileBuilder(good.header).sample_info(smpi).build(),
                         LoadRefusal::sample_entry_truncated});
    }
    for (uint8_t flags : {0x81, 0x09}) {
        Song s = good;
        s.samples[0].flags = flags;
        cases.push_back({"refused flags", s.build(), LoadRefusal::sample_flags_refused});
    }
    {
        Song s = good;
        s.samples[0].name = std::string(31, 'n');
        cases.push_back({"name of 31 bytes", s.build(), LoadRefusal::sample_name_too_long});
    }
    {
        Bytes image = good.build();
        patch_u32(image, *find_chunk(image, "SEQU") + 4, 0xFFFF);
        cases.push_back({"SEQU length past the end", image, LoadRefusal::chunk_payload_overrun});
    }
    {
        Song s = good;
        s.patterns[0].packed_size_field = 1000;
        cases.push_back(
            {"packed size past the payload", s.build(), LoadRefusal::pattern_stream_overrun});
    }
    {
        Song s = good;
        s.samples[0].block_size = 1000;
        cases.push_back(
            {"sample block past the payload", s.build(), LoadRefusal::sample_block_truncated});
    }
    {
        Song s = good;
        s.samples.clear();
        cases.push_back({"sample count 0", s.build(), LoadRefusal::incomplete_song});
    }
    cases.push_back({"empty SMPI payload", FileBuilder(good.header).chunk("SMPI", {}).build(),
                     LoadRefusal::sample_info_empty});
    return cases;
}

TEST(LoaderRoundTrip, WriterMalformationsAreRefusedForTheIntendedReason) {
    for (const Malformation& c : malformations()) {
        SCOPED_TRACE(c.name);
        Module m;
        EXPECT_STREQ(to_string(load(m, c.image)), to_string(c.reason));
    }
}

}  // namespace
}  // namespace tarnwick::writer
