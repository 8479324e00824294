// A whole song through the host's side of the decoder: opened through the public interface,
// its length and track information read, and decoded to the end, in every resampling mode.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "demo/demo_song.h"
#include "tests/decoder/decoder_fixture.h"

namespace tarnwick::decoder_test {
namespace {

using WholeSongs = DecoderFixture;

using qarvel::OPEN_DECODE;
using qarvel::OPEN_INFO;
using qarvel::OPEN_NO_LOOP;

TEST_F(WholeSongs, DemoSongPlaysToTheEndForAsLongAsItsReportedLength) {
    const writer::Bytes image = demo::demo_song_image();
    // "loop" 1 as well: OPEN_NO_LOOP must still end the song.
    const StoredSettings cases[] = {
        {48000, 0, 250, 0, 1},
        {44100, 1, 250, 3000, 1},
        {22025, 2, 1000, 8000, 1},
    };
    for (const StoredSettings& values : cases) {
        store_settings(values);
        test_host::TrackInfo info;
        qarvel::Decoder* decoder =
            open_image_into(info, image, OPEN_INFO | OPEN_DECODE | OPEN_NO_LOOP);
        ASSERT_NE(decoder, nullptr);
        ASSERT_EQ(info.lengths().size(), 1u);
        const double length = info.lengths()[0];
        EXPECT_GT(length, 30.0);
        EXPECT_TRUE(info.tag("TITLE").has_value());
        EXPECT_EQ(info.technical("samplerate"), std::to_string(values.srate));

        const test_host::DecodedSong song = test_host::decode_to_end(*decoder, 1u << 20);
        EXPECT_EQ(song.last_result, 0) << "rsmode " << values.rsmode;
        EXPECT_EQ(song.sample_rate, static_cast<uint32_t>(values.srate));
        // The length counts whole seconds of a scan with whole-frame ticks at 10000 Hz; the
        // song at the output rate lasts within a second or so of it.
        const double seconds = static_cast<double>(song.blocks) * kDecodeBlockFrames /
                               static_cast<double>(values.srate);
        EXPECT_NEAR(seconds, length, 1.5) << "rsmode " << values.rsmode;

        double peak = 0.0;
        for (double s : song.samples) {
            ASSERT_TRUE(std::isfinite(s));
            peak = std::max(peak, std::fabs(s));
        }
        EXPECT_GT(peak, 0.01) << "the song is heard";
    }
    EXPECT_TRUE(console_.lines().empty());
}

TEST_F(WholeSongs, CutOrCorruptedSongsAreRefusedOrPlayedButNeverMisbehave) {
    const writer::Bytes image = demo::demo_song_image();
    for (size_t cut = 0; cut < image.size(); cut += 1 + image.size() / 97) {
        for (const bool corrupt : {false, true}) {
            writer::Bytes bytes = image;
            if (corrupt) {
                bytes[cut] ^= 0xA5;
            } else {
                bytes.resize(cut);
            }
            DecoderService* d = make_service();
            test_host::TrackInfo info;
            test_host::BytesFile file(bytes);
            if (d->open(&file, &info, OPEN_INFO | OPEN_DECODE | OPEN_NO_LOOP)) {
                EXPECT_EQ(info.lengths().size(), 1u);
                test_host::decode_to_end(*d, 200);
            }
            disown(d);
            EXPECT_EQ(d->release(), 0);
        }
    }
    for (const auto& line : console_.lines()) EXPECT_EQ(line.message, "Rendering error");
}

}  // namespace
}  // namespace tarnwick::decoder_test
