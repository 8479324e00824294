// The three things the decoder tells the user, and only when they happen: memory for the file
// image, memory for the output block (a render failure is in decode_test.cpp). Memory runs
// out through the service's own allocator; nothing leaks either way.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/decoder/decoder_fixture.h"

namespace tarnwick::decoder_test {
namespace {

using ConsoleMessages = DecoderFixture;

using qarvel::OPEN_DECODE;
using qarvel::OPEN_INFO;

TEST_F(ConsoleMessages, NoMemoryForTheServiceGivesNoService) {
    CountedMemory memory(1);
    EXPECT_EQ(create_decoder_service(memory.memory()), nullptr);
    EXPECT_EQ(memory.live(), 0);
    EXPECT_TRUE(console_.lines().empty());
}

TEST_F(ConsoleMessages, RunningOutOfMemoryIsToldOnceAndRefusesTheOpen) {
    struct Case {
        int fail_at;  // 2: the file image, 3: the output block
        uint32_t flags;
        bool opened;
        std::vector<std::string> messages;
        size_t lengths_reported;
    };
    const Case cases[] = {
        {2, OPEN_INFO | OPEN_DECODE, false, {"Unable to buffer file in memory."}, 0},
        {2, 0, false, {"Unable to buffer file in memory."}, 0},
        {3, OPEN_INFO | OPEN_DECODE, false, {"Couldn't allocate audio buffer."}, 1},
        {3, OPEN_DECODE, false, {"Couldn't allocate audio buffer."}, 1},
        {3, OPEN_INFO, true, {}, 1},  // no block is asked for
        {0, OPEN_INFO | OPEN_DECODE, true, {}, 1},
    };
    for (const Case& c : cases) {
        console_.clear();
        test_host::TrackInfo info;
        CountedMemory memory(c.fail_at);
        DecoderService* d = create_decoder_service(memory.memory());
        ASSERT_NE(d, nullptr);
        test_host::BytesFile file(tone_song().build());
        EXPECT_EQ(d->open(&file, &info, c.flags), c.opened) << "fail at " << c.fail_at;
        EXPECT_EQ(console_.messages(), c.messages) << "fail at " << c.fail_at;
        for (const auto& line : console_.lines()) EXPECT_EQ(line.severity, 3);
        EXPECT_EQ(info.lengths().size(), c.lengths_reported) << "fail at " << c.fail_at;
        if (!c.opened) {
            test_host::AudioChunk chunk;
            EXPECT_EQ(d->decode(&chunk), 0) << "a failed open leaves nothing to decode";
        }
        EXPECT_EQ(d->release(), 0);
        EXPECT_EQ(memory.live(), 0) << "fail at " << c.fail_at;
        EXPECT_EQ(console_.references(), 0);
    }
}

TEST_F(ConsoleMessages, MessagesAreDroppedWhenTheHostHasNoConsole) {
    services_.set_console(nullptr);
    CountedMemory memory(2);
    DecoderService* d = create_decoder_service(memory.memory());
    ASSERT_NE(d, nullptr);
    test_host::BytesFile file(tone_song().build());
    EXPECT_FALSE(d->open(&file, &info_, OPEN_DECODE));
    EXPECT_EQ(services_.lookups(), 1) << "the console was looked for";
    EXPECT_EQ(d->release(), 0);
    EXPECT_EQ(memory.live(), 0);
}

TEST_F(ConsoleMessages, MessagesAreDroppedWhenThePluginHasNoHost) {
    tarnwick::set_host_services(nullptr);
    CountedMemory memory(3);
    DecoderService* d = create_decoder_service(memory.memory());
    ASSERT_NE(d, nullptr);
    test_host::BytesFile file(tone_song().build());
    EXPECT_FALSE(d->open(&file, &info_, OPEN_DECODE));
    EXPECT_TRUE(console_.lines().empty());
    EXPECT_EQ(d->release(), 0);
}

TEST_F(ConsoleMessages, RefusedSongsAreRefusedSilently) {
    const writer::Bytes good = tone_song().build();
    const std::vector<writer::Bytes> refused = {
        writer::Bytes(good.begin(), good.begin() + 40),  // cut inside the header
        writer::Bytes(good.begin(), good.begin() + 66),  // a header and no chunks
        writer::Bytes{'R', 'I', 'F', 'F', 0, 0, 0, 0},   // not a song
    };
    for (const writer::Bytes& image : refused) {
        DecoderService* d = make_service();
        test_host::BytesFile file(image);
        EXPECT_FALSE(d->open(&file, &info_, OPEN_INFO | OPEN_DECODE));
    }
    EXPECT_TRUE(console_.lines().empty());
    EXPECT_TRUE(info_.entries().empty());
}

}  // namespace
}  // namespace tarnwick::decoder_test
