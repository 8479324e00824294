// The decoder service as the host drives it: the type test, references, opening with each set
// of flags, and the settings that an open hands to the song.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/decoder/decoder_fixture.h"

namespace tarnwick::decoder_test {
namespace {

using FileType = DecoderFixture;
using ServiceReferences = DecoderFixture;
using FileReading = DecoderFixture;
using Opening = DecoderFixture;
using SettingsAtOpen = DecoderFixture;

using qarvel::OPEN_DECODE;
using qarvel::OPEN_INFO;
using qarvel::OPEN_NO_LOOP;

TEST_F(FileType, TypeTestAcceptsDmfInAnyLetterCaseOnly) {
    struct Case {
        const char* extension;
        bool accepted;
    };
    const Case cases[] = {
        {"dmf", true},   {"Dmf", true},   {"DMF", true},   {"dMf", true},    {"dm", false},
        {"dmfx", false}, {"", false},     {"dmg", false},  {"mod", false},   {"dm\xC6", false},
        {"d", false},    {".dmf", false}, {"DMF ", false}, {nullptr, false},
    };
    DecoderService* d = make_service();
    for (const Case& c : cases) {
        EXPECT_EQ(d->is_own_type("song.dmf", c.extension), c.accepted)
            << (c.extension != nullptr ? c.extension : "(null)");
    }
}

TEST_F(ServiceReferences, ReferencesFollowQueryAddAndReleaseAndTheLastReleaseFreesEverything) {
    CountedMemory memory;
    DecoderService* d = create_decoder_service(memory.memory());
    ASSERT_NE(d, nullptr);
    test_host::BytesFile file(tone_song().build());
    ASSERT_TRUE(d->open(&file, &info_, OPEN_DECODE));
    EXPECT_EQ(memory.live(), 2) << "the service and its output block";

    qarvel::Service* same = d->query(qarvel::kDecoderClassId);
    EXPECT_EQ(same, static_cast<qarvel::Service*>(d));
    EXPECT_EQ(d->add_reference(), 3) << "creation 1, query 1, add 1";
    EXPECT_EQ(d->query(qarvel::kConsoleClassId), nullptr);
    qarvel::ClassId near_miss = qarvel::kDecoderClassId;
    near_miss.data4[7] ^= 0x01;
    EXPECT_EQ(d->query(near_miss), nullptr);
    EXPECT_EQ(d->add_reference(), 4) << "a refused query adds no reference";

    EXPECT_EQ(d->release(), 3);
    EXPECT_EQ(d->release(), 2);
    EXPECT_EQ(d->release(), 1);
    EXPECT_EQ(memory.live(), 2);
    EXPECT_EQ(d->release(), 0);
    EXPECT_EQ(memory.live(), 0) << "the last release frees the block and the service";
}

TEST_F(ServiceReferences, AServiceDrivenThroughThePublicInterfaceAlonePlaysASong) {
    qarvel::Decoder* d = make_service();
    qarvel::Service* as_service = d->query(qarvel::kDecoderClassId);
    auto* decoder = static_cast<qarvel::Decoder*>(as_service);
    test_host::BytesFile file(tone_song(8).build());
    ASSERT_TRUE(decoder->open(&file, &info_, OPEN_INFO | OPEN_DECODE));
    const test_host::DecodedSong song = test_host::decode_to_end(*decoder, 10000);
    EXPECT_EQ(song.last_result, 0);
    EXPECT_EQ(song.sample_rate, 48000u);
    // 8 rows of 1/8 s at 48000 Hz: 48000 frames, delivered in whole blocks of 512.
    EXPECT_EQ(song.blocks, (48000u + 511u) / 512u);
    EXPECT_EQ(decoder->release(), 1);
}

TEST_F(FileReading, ZeroLengthFileIsRefusedWithoutAMessage) {
    DecoderService* d = make_service();
    test_host::BytesFile file({});
    EXPECT_FALSE(d->open(&file, &info_, OPEN_INFO | OPEN_DECODE));
    EXPECT_TRUE(console_.lines().empty());
    EXPECT_TRUE(info_.entries().empty()) << "no length for a file that did not load";
    EXPECT_FALSE(d->has_output_block());
    EXPECT_EQ(d->decode(nullptr), 0);
}

TEST_F(FileReading, FileOfUnknownSizeIsRefusedWithoutReadingOrAllocating) {
    CountedMemory memory;
    DecoderService* d = make_service(memory.memory());
    test_host::BytesFile file(tone_song().build());
    file.report_size(qarvel::kUnknownFileSize);
    EXPECT_FALSE(d->open(&file, &info_, OPEN_INFO | OPEN_DECODE));
    EXPECT_EQ(file.reads(), 0);
    EXPECT_EQ(memory.allocations(), 1) << "only the service itself";
    EXPECT_TRUE(console_.lines().empty());
    EXPECT_TRUE(info_.entries().empty());
}

TEST_F(FileReading, WholeFileIsReadInOneCall) {
    DecoderService* d = make_service();
    test_host::BytesFile file(tone_song().build());
    EXPECT_TRUE(d->open(&file, &info_, OPEN_DECODE));
    EXPECT_EQ(file.reads(), 1);
    EXPECT_EQ(file.size_queries(), 1);
}

TEST_F(FileReading, ShortReadLeavesZerosForTheLoaderToJudge) {
    const writer::Bytes image = tone_song().build();
    // Every cut: the image's unread rest is zero, never left over memory; the loader refuses
    // or accepts, and nothing reads outside the image (the sanitizers watch).
    for (uint32_t limit = 0; limit < image.size(); limit += 7) {
        DecoderService* d = make_service();
        test_host::BytesFile file(image);
        file.limit_reads(limit);
        const bool opened = d->open(&file, nullptr, OPEN_DECODE);
        if (opened) {
            test_host::decode_to_end(*d, 64);
        }
        EXPECT_EQ(file.reads(), 1);
        disown(d);
        EXPECT_EQ(d->release(), 0);
    }
    EXPECT_TRUE(console_.lines().empty());
}

TEST_F(Opening, FlagsDecideWhatAnOpenReportsAndPrepares) {
    struct Case {
        uint32_t flags;
        bool track_info;
        bool output_block;
    };
    const Case cases[] = {
        {0, false, false},
        {OPEN_INFO, true, false},
        {OPEN_DECODE, false, true},
        {OPEN_INFO | OPEN_DECODE, true, true},
        {OPEN_DECODE | OPEN_NO_LOOP, false, true},
        {4, false, false},
        {OPEN_INFO | 4 | OPEN_NO_LOOP, true, false},
    };
    for (const Case& c : cases) {
        test_host::TrackInfo info;
        DecoderService* d = make_service();
        test_host::BytesFile file(tone_song(16, 2).build());
        EXPECT_TRUE(d->open(&file, &info, c.flags)) << "flags " << c.flags;
        EXPECT_EQ(info.lengths(), std::vector<double>{expected_length(tone_song(16, 2))})
            << "flags " << c.flags << ": the length is reported for every song loaded";
        EXPECT_EQ(info.tag("TITLE").has_value(), c.track_info) << "flags " << c.flags;
        EXPECT_EQ(info.technical("channels").has_value(), c.track_info) << "flags " << c.flags;
        EXPECT_EQ(d->has_output_block(), c.output_block) << "flags " << c.flags;
        if (!c.output_block) {
            test_host::AudioChunk chunk;
            EXPECT_EQ(d->decode(&chunk), 0) << "nothing to decode without OPEN_DECODE";
            EXPECT_TRUE(chunk.calls().empty()) << "and the chunk is left alone";
        }
    }
}

TEST_F(Opening, LengthComesBeforeTheTrackInformation) {
    open_song(tone_song(), OPEN_INFO);
    ASSERT_FALSE(info_.entries().empty());
    EXPECT_EQ(info_.entries().front().kind, test_host::TrackInfo::Kind::length);
    EXPECT_EQ(info_.entries().front().seconds, expected_length(tone_song()));
    EXPECT_GT(info_.entries().front().seconds, 0.0);
}

TEST_F(Opening, SecondOpenIsRefusedAndTheFirstSongPlaysOn) {
    DecoderService* d = open_song(tone_song(8), OPEN_DECODE);
    test_host::AudioChunk chunk;
    ASSERT_EQ(d->decode(&chunk), 1);

    test_host::TrackInfo second_info;
    test_host::BytesFile second(tone_song(64).build());
    EXPECT_FALSE(d->open(&second, &second_info, OPEN_INFO | OPEN_DECODE));
    EXPECT_EQ(second.reads(), 0);
    EXPECT_TRUE(second_info.entries().empty());

    // The first song continues where it was: 94 blocks in all for 48000 frames.
    const test_host::DecodedSong rest = test_host::decode_to_end(*d, 10000);
    EXPECT_EQ(rest.last_result, 0);
    EXPECT_EQ(rest.blocks + 1, 94u);
}

TEST_F(Opening, SecondOpenAfterAFailedOneIsRefusedToo) {
    DecoderService* d = make_service();
    test_host::BytesFile empty({});
    EXPECT_FALSE(d->open(&empty, &info_, OPEN_DECODE));
    test_host::BytesFile good(tone_song().build());
    EXPECT_FALSE(d->open(&good, &info_, OPEN_DECODE));
    EXPECT_EQ(d->decode(nullptr), 0);
}

TEST_F(Opening, OpenWithoutAFileOrTrackInformationIsSafe) {
    DecoderService* d = make_service();
    EXPECT_FALSE(d->open(nullptr, &info_, OPEN_INFO | OPEN_DECODE));
    EXPECT_TRUE(info_.entries().empty());

    DecoderService* e = make_service();
    test_host::BytesFile file(tone_song().build());
    EXPECT_TRUE(e->open(&file, nullptr, OPEN_INFO | OPEN_DECODE));
    EXPECT_EQ(e->decode(nullptr), 1) << "a block without a chunk is rendered and dropped";
}

TEST_F(Opening, NeverOpenedServiceDecodesToTheEnd) {
    DecoderService* d = make_service();
    test_host::AudioChunk chunk;
    EXPECT_EQ(d->decode(&chunk), 0);
    EXPECT_EQ(d->decode(&chunk), 0);
    EXPECT_TRUE(chunk.calls().empty());
}

// --- settings

TEST_F(SettingsAtOpen, DefaultSettingsReachTheSongInTheirScaledForm) {
    DecoderService* d = open_song(tone_song(), OPEN_DECODE);
    const TrackPlayerSet& players = d->module().players;
    EXPECT_EQ(d->output_rate(), 48000u);
    EXPECT_EQ(players.output_rate, 48000u);
    EXPECT_EQ(players.resample_mode, 1u);
    EXPECT_EQ(players.mix_volume, 0.25f) << "vol 250 is a gain of 0.25";
    EXPECT_TRUE(players.ramp_enabled);
    EXPECT_EQ(players.ramp_ms, 3.0f) << "ramplen 3000 is 3 ms";
    EXPECT_FALSE(d->module().looping);
}

TEST_F(SettingsAtOpen, EveryValueThePreferencesPageOffersReachesTheSongAsStored) {
    struct Case {
        StoredSettings values;
        uint32_t rate;
        uint32_t mode;
        float gain;
        bool ramping;
        float ramp_ms;
    };
    const Case cases[] = {
        {{11025, 0, 100, 0, 0}, 11025, 0, 0.1f, false, 0.0f},
        {{16000, 2, 1000, 8000, 0}, 16000, 2, 1.0f, true, 8.0f},
        {{22025, 1, 250, 3000, 0}, 22025, 1, 0.25f, true, 3.0f},
        {{32000, 1, 500, 0, 0}, 32000, 1, 0.5f, false, 0.0f},
        {{44100, 2, 750, 3000, 0}, 44100, 2, 0.75f, true, 3.0f},
        {{64000, 0, 999, 8000, 0}, 64000, 0, 0.999f, true, 8.0f},
        {{88200, 1, 101, 3000, 0}, 88200, 1, 0.101f, true, 3.0f},
        {{96000, 1, 250, 3000, 0}, 96000, 1, 0.25f, true, 3.0f},
        {{22050, 1, 250, 3000, 0}, 22050, 1, 0.25f, true, 3.0f},
    };
    for (const Case& c : cases) {
        store_settings(c.values);
        DecoderService* d = open_song(tone_song(), OPEN_DECODE);
        const TrackPlayerSet& players = d->module().players;
        EXPECT_EQ(d->output_rate(), c.rate);
        EXPECT_EQ(players.output_rate, c.rate);
        EXPECT_EQ(players.resample_mode, c.mode);
        EXPECT_FLOAT_EQ(players.mix_volume, c.gain) << "vol " << c.values.vol;
        EXPECT_EQ(players.ramp_enabled, c.ramping);
        EXPECT_EQ(players.ramp_ms, c.ramp_ms);
        test_host::AudioChunk chunk;
        ASSERT_EQ(d->decode(&chunk), 1);
        EXPECT_EQ(chunk.sample_rate(), c.rate);
    }
}

TEST_F(SettingsAtOpen, SettingsAreCapturedAtOpenOnly) {
    DecoderService* d = open_song(tone_song(), OPEN_INFO | OPEN_DECODE);
    store_settings({22050, 0, 1000, 0, 1});
    const TrackPlayerSet& players = d->module().players;
    test_host::AudioChunk chunk;
    ASSERT_EQ(d->decode(&chunk), 1);
    EXPECT_EQ(chunk.sample_rate(), 48000u);
    EXPECT_EQ(players.mix_volume, 0.25f);
    EXPECT_TRUE(players.ramp_enabled);
    EXPECT_FALSE(d->module().looping);
    EXPECT_EQ(info_.technical("samplerate"), "48000");
}

TEST_F(SettingsAtOpen, LoopingNeedsLoopOneAndNoNoLoopFlag) {
    struct Case {
        int32_t loop;
        uint32_t flags;
        bool ends;
    };
    const Case cases[] = {
        {1, OPEN_DECODE, false}, {1, OPEN_DECODE | OPEN_NO_LOOP, true},
        {0, OPEN_DECODE, true},  {2, OPEN_DECODE, true},
        {-1, OPEN_DECODE, true},
    };
    // The song lasts 1 s: 94 blocks at 48000 Hz. A looping song is still playing after 400.
    for (const Case& c : cases) {
        StoredSettings values;
        values.loop = c.loop;
        store_settings(values);
        DecoderService* d = open_song(tone_song(8), c.flags);
        EXPECT_EQ(d->module().looping, !c.ends) << "loop " << c.loop << " flags " << c.flags;
        const test_host::DecodedSong song = test_host::decode_to_end(*d, 400);
        if (c.ends) {
            EXPECT_EQ(song.last_result, 0) << "loop " << c.loop << " flags " << c.flags;
            EXPECT_EQ(song.blocks, 94u);
        } else {
            EXPECT_EQ(song.last_result, 1) << "loop " << c.loop << " flags " << c.flags;
            EXPECT_EQ(song.blocks, 400u);
        }
    }
}

TEST_F(SettingsAtOpen, RateOfZeroOrBelowDecodesAtTheDefaultButIsReportedAsStored) {
    for (const int32_t srate : {0, -1, -48000, INT32_MIN}) {
        StoredSettings values;
        values.srate = srate;
        store_settings(values);
        test_host::TrackInfo info;
        DecoderService* d = open_song_into(info, tone_song(8), OPEN_INFO | OPEN_DECODE);
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(info.technical("samplerate"), std::to_string(srate));
        const test_host::DecodedSong song = test_host::decode_to_end(*d, 1000);
        EXPECT_EQ(song.sample_rate, 48000u) << "srate " << srate;
        EXPECT_EQ(song.blocks, 94u) << "srate " << srate;
        EXPECT_EQ(song.last_result, 0);
    }
}

}  // namespace
}  // namespace tarnwick::decoder_test
