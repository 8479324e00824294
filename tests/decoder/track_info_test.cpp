// What the host shows about a song: its tags and technical fields, in their order, with the
// song's code page 437 texts turned into UTF-8.

#include "decoder/track_info.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/decoder/decoder_fixture.h"
#include "tests/support/failing_allocator.h"

namespace tarnwick::decoder_test {
namespace {

using TrackInformation = DecoderFixture;

using qarvel::OPEN_INFO;

std::vector<std::string> keys(const char* prefix, uint32_t count) {
    std::vector<std::string> out;
    for (uint32_t i = 0; i < count; ++i) out.push_back(sample_key(prefix, i).text());
    return out;
}

// A song with `count` samples named "s0", "s1", ... (every third one unnamed) and library
// names "lib0", ... (every fourth one empty).
Song song_with_samples(uint32_t count, uint8_t version) {
    Song song = tone_song();
    song.header.version = version;
    song.samples.clear();
    for (uint32_t i = 0; i < count; ++i) {
        SampleDesc s = square_sample(i % 3 == 2 ? "" : ("s" + std::to_string(i)).c_str());
        s.library_name = i % 4 == 3 ? "" : "lib" + std::to_string(i);
        song.samples.push_back(s);
    }
    return song;
}

TEST(SampleKey, IndicesBelowTenGetALeadingZeroAndNoOthers) {
    struct Case {
        uint32_t index;
        const char* key;
    };
    const Case cases[] = {{0, "SMPL00"},  {9, "SMPL09"},    {10, "SMPL10"},
                          {99, "SMPL99"}, {100, "SMPL100"}, {255, "SMPL255"}};
    for (const Case& c : cases) EXPECT_STREQ(sample_key("SMPL", c.index).text(), c.key);
    EXPECT_STREQ(sample_key("LIBR", 7).text(), "LIBR07");
}

TEST(CommentText, EveryLineFeedGetsACarriageReturnBeforeIt) {
    struct Case {
        const char* message;
        const char* comment;
    };
    const Case cases[] = {
        {"one\ntwo\nthree", "one\r\ntwo\r\nthree"},
        {"ends\n", "ends\r\n"},
        {"\n\n", "\r\n\r\n"},
        {"no line feed", "no line feed"},
        {"", ""},
        {"\x82t\xE9\n", "\xC3\xA9t\xCE\x98\r\n"},  // code page 437 e-acute and theta
    };
    for (const Case& c : cases) EXPECT_STREQ(comment_text(c.message).text(), c.comment);
}

TEST_F(TrackInformation, TagsAndTechnicalFieldsComeInTheirOrder) {
    Song song = song_with_samples(12, 8);
    song.message = std::string(40, 'a') + std::string(40, 'b') + std::string(20, 'c');
    store_settings({22050, 1, 250, 3000, 0});
    open_song(song, OPEN_INFO);

    std::vector<std::string> expected = {"TITLE", "ARTIST", "TRACKER_NAME", "DATE", "COMMENT"};
    const std::vector<std::string> smpl = keys("SMPL", 12);
    expected.insert(expected.end(), smpl.begin(), smpl.end());
    const std::vector<std::string> libr = keys("LIBR", 12);
    expected.insert(expected.end(), libr.begin(), libr.end());
    EXPECT_EQ(info_.tag_names(), expected);
    EXPECT_EQ(info_.technical_names(),
              (std::vector<std::string>{"channels", "samplerate", "codec", "mod_channels",
                                        "Patterns", "Orders"}));
    // Tags first, then technical fields.
    const auto& entries = info_.entries();
    size_t first_technical = entries.size();
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].kind == test_host::TrackInfo::Kind::technical && first_technical > i) {
            first_technical = i;
        }
        if (entries[i].kind == test_host::TrackInfo::Kind::tag) {
            EXPECT_LT(i, first_technical);
        }
    }

    EXPECT_EQ(info_.technical("channels"), "2");
    EXPECT_EQ(info_.technical("samplerate"), "22050");
    EXPECT_EQ(info_.technical("codec"), "DMF v. 8");
    EXPECT_EQ(info_.technical("mod_channels"), "1");
    EXPECT_EQ(info_.technical("Patterns"), "1");
    EXPECT_EQ(info_.technical("Orders"), "1");
}

TEST_F(TrackInformation, SampleNamesAreReportedEmptyOrNotAndLibraryNamesOnlyForVersion8) {
    open_song(song_with_samples(12, 8), OPEN_INFO);
    for (uint32_t i = 0; i < 12; ++i) {
        const std::string smpl = sample_key("SMPL", i).text();
        const std::string libr = sample_key("LIBR", i).text();
        EXPECT_EQ(info_.tag(smpl), i % 3 == 2 ? "" : "s" + std::to_string(i)) << smpl;
        EXPECT_EQ(info_.tag(libr), i % 4 == 3 ? "" : "lib" + std::to_string(i)) << libr;
    }

    test_host::TrackInfo version7;
    ASSERT_NE(open_song_into(version7, song_with_samples(12, 7), OPEN_INFO), nullptr);
    EXPECT_EQ(version7.tag_names().size(), 4u + 12u) << "title, artist, tracker, date, samples";
    EXPECT_EQ(version7.tag("SMPL10"), "s10");
    EXPECT_EQ(version7.tag("SMPL11"), "");
    EXPECT_FALSE(version7.tag("LIBR00").has_value());
    EXPECT_EQ(version7.technical("codec"), "DMF v. 7");
}

TEST_F(TrackInformation, HeaderTextsAreConvertedFromCodePage437AtFullWidthAndWhenEmpty) {
    struct Case {
        const char* what;
        std::string title, composer, tracker;            // as stored
        std::string title_tag, artist_tag, tracker_tag;  // as reported
    };
    const Case cases[] = {
        {"code page 437", "H\x82llo", "\xC9\xCD\xBB", "X-Track", "H\xC3\xA9llo",
         "\xE2\x95\x94\xE2\x95\x90\xE2\x95\x97", "X-Track"},
        {"full width keeps every byte and no more", std::string(30, 'T'), std::string(20, 'C'),
         std::string(8, 'K'), std::string(30, 'T'), std::string(20, 'C'), std::string(8, 'K')},
        {"empty texts are still reported", "", "", "", "", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Song song = tone_song();
        song.header.title = c.title;
        song.header.composer = c.composer;
        song.header.tracker_name = c.tracker;
        test_host::TrackInfo info;
        ASSERT_NE(open_song_into(info, song, OPEN_INFO), nullptr);
        EXPECT_EQ(info.tag("TITLE"), c.title_tag);
        EXPECT_EQ(info.tag("ARTIST"), c.artist_tag);
        EXPECT_EQ(info.tag("TRACKER_NAME"), c.tracker_tag);
    }
}

TEST_F(TrackInformation, DateIsYearMonthDayAsStoredWithoutLeadingZeros) {
    struct Case {
        uint8_t year, month, day;
        const char* date;
    };
    const Case cases[] = {
        {95, 3, 7, "1995-3-7"},
        {0, 0, 0, "1900-0-0"},
        {124, 12, 31, "2024-12-31"},
        {255, 255, 255, "2155-255-255"},
    };
    for (const Case& c : cases) {
        Song song = tone_song();
        song.header.year = c.year;
        song.header.month = c.month;
        song.header.day = c.day;
        test_host::TrackInfo info;
        ASSERT_NE(open_song_into(info, song, OPEN_INFO), nullptr);
        EXPECT_EQ(info.tag("DATE"), c.date);
    }
}

TEST_F(TrackInformation, MessageLinesEndInCarriageReturnLineFeed) {
    Song song = tone_song();
    song.message = std::string(40, 'a') + std::string(40, 'b') + "c\x82";
    open_song(song, OPEN_INFO);
    EXPECT_EQ(info_.tag("COMMENT"),
              std::string(40, 'a') + "\r\n" + std::string(40, 'b') + "\r\nc\xC3\xA9");
}

TEST_F(TrackInformation, SongWithoutMessageHasNoComment) {
    open_song(tone_song(), OPEN_INFO);
    EXPECT_FALSE(info_.tag("COMMENT").has_value());
}

TEST_F(TrackInformation, EmptyMessageIsStillAComment) {
    Song song = tone_song();
    song.message = "";
    open_song(song, OPEN_INFO);
    EXPECT_EQ(info_.tag("COMMENT"), "");
}

TEST_F(TrackInformation, StoredSampleRateIsReportedAsStored) {
    for (const int32_t srate : {22050, 48000, 1, 0, -44100, INT32_MAX, INT32_MIN}) {
        StoredSettings values;
        values.srate = srate;
        store_settings(values);
        test_host::TrackInfo info;
        ASSERT_NE(open_song_into(info, tone_song(), OPEN_INFO), nullptr);
        EXPECT_EQ(info.technical("samplerate"), std::to_string(srate));
    }
}

TEST_F(TrackInformation, CountsAreTheSongsOwn) {
    Song song = tone_song();
    song.track_count = 3;
    song.patterns = {PatternDesc(3, 4), PatternDesc(2, 8)};
    song.orders = {0, 1, 1, 0, 1};
    open_song(song, OPEN_INFO);
    EXPECT_EQ(info_.technical("mod_channels"), "3");
    EXPECT_EQ(info_.technical("Patterns"), "2");
    EXPECT_EQ(info_.technical("Orders"), "5");
}

TEST_F(TrackInformation, TrackInformationWithoutMemoryForTextsReportsNoMisfiledTags) {
    Song song = song_with_samples(12, 8);
    song.message = "line one\nline two";
    Module module;
    const writer::Bytes image = song.build();
    ASSERT_TRUE(module.load_module(image.data(), image.size()));

    for (int successes : {0, 1, 5, 20, 60}) {
        test_host::TrackInfo info;
        {
            test::FailingAllocator no_memory(successes);
            report_track_info(module, 48000, info);
        }
        for (const std::string& name : info.tag_names()) {
            EXPECT_FALSE(name.empty()) << successes;
            if (name.rfind("SMPL", 0) == 0 || name.rfind("LIBR", 0) == 0) {
                EXPECT_EQ(name.size(), 6u) << successes;
            }
        }
        EXPECT_EQ(info.technical_names().size(), 6u) << successes;
    }
}

}  // namespace
}  // namespace tarnwick::decoder_test
