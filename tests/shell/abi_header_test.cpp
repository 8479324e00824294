// The public ABI header must build on its own: it comes first, before anything else.
#include "qarvel/plugin_abi.h"
// (nothing of the plug-in's own may be included here)

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace qarvel;

// The vtable slot of a virtual member function under the Itanium C++ ABI: its pointer-to-member
// holds 1 + the slot's byte offset in the table. -1 for a non-virtual function.
template <typename MemberFunction>
long slot_of(MemberFunction function) {
    struct Raw {
        uintptr_t pointer;
        ptrdiff_t adjustment;
    };
    static_assert(sizeof(MemberFunction) == sizeof(Raw));
    Raw raw;
    std::memcpy(&raw, &function, sizeof raw);
    if ((raw.pointer & 1) == 0) return -1;
    return static_cast<long>((raw.pointer - 1) / sizeof(void*));
}

struct SlotCase {
    const char* operation;
    long expected;
    long actual;
};

TEST(PluginAbi, EveryOperationTheHostOrPluginCallsSitsInItsSlot) {
    const std::vector<SlotCase> cases = {
        {"Service::release", 0, slot_of(&Service::release)},
        {"Service::add_reference", 1, slot_of(&Service::add_reference)},
        {"Service::query", 2, slot_of(&Service::query)},
        {"HostServices::find_service", 0, slot_of(&HostServices::find_service)},
        {"HostConsole::release", 0, slot_of(&HostConsole::release)},
        {"HostConsole::print", 3, slot_of(&HostConsole::print)},
        {"HostFile::read", 5, slot_of(&HostFile::read)},
        {"HostFile::size", 7, slot_of(&HostFile::size)},
        {"HostTrackInfo::set_tag", 7, slot_of(&HostTrackInfo::set_tag)},
        {"HostTrackInfo::set_technical", 11, slot_of(&HostTrackInfo::set_technical)},
        {"HostTrackInfo::set_length", 20, slot_of(&HostTrackInfo::set_length)},
        {"HostAudioChunk::storage", 1, slot_of(&HostAudioChunk::storage)},
        {"HostAudioChunk::capacity", 2, slot_of(&HostAudioChunk::capacity)},
        {"HostAudioChunk::resize", 3, slot_of(&HostAudioChunk::resize)},
        {"HostAudioChunk::set_sample_rate", 5, slot_of(&HostAudioChunk::set_sample_rate)},
        {"HostAudioChunk::set_channel_count", 7, slot_of(&HostAudioChunk::set_channel_count)},
        {"HostAudioChunk::set_frame_count", 9, slot_of(&HostAudioChunk::set_frame_count)},
        {"HostWriter::write", 0, slot_of(&HostWriter::write)},
        {"HostTextResult::text", 0, slot_of(&HostTextResult::text)},
        {"HostTextResult::append", 1, slot_of(&HostTextResult::append)},
        {"HostTextResult::assign", 2, slot_of(&HostTextResult::assign)},
        {"HostTextResult::truncate", 3, slot_of(&HostTextResult::truncate)},
        {"HostTextResult::length", 4, slot_of(&HostTextResult::length)},
    };
    for (const SlotCase& c : cases) EXPECT_EQ(c.actual, c.expected) << c.operation;
}

TEST(PluginAbi, HostObjectsCarryNothingButTheirOperationTable) {
    EXPECT_EQ(sizeof(Service), sizeof(void*));
    EXPECT_EQ(sizeof(HostServices), sizeof(void*));
    EXPECT_EQ(sizeof(HostConsole), sizeof(void*));
    EXPECT_EQ(sizeof(HostFile), sizeof(void*));
    EXPECT_EQ(sizeof(HostTrackInfo), sizeof(void*));
    EXPECT_EQ(sizeof(HostAudioChunk), sizeof(void*));
    EXPECT_EQ(sizeof(HostWriter), sizeof(void*));
    EXPECT_EQ(sizeof(HostTextResult), sizeof(void*));
}

TEST(PluginAbi, ConsoleClassIdHasTheUsualGuidByteLayout) {
    const uint8_t expected[16] = {0xC7, 0x51, 0x6B, 0x05, 0x8C, 0xE7, 0x4E, 0x4A,
                                  0xB8, 0x4E, 0x6B, 0xFF, 0x3F, 0x8A, 0xB8, 0xF2};
    EXPECT_EQ(std::memcmp(&kConsoleClassId, expected, 16), 0);
    EXPECT_EQ(offsetof(ClassId, data4), 8u);
}

TEST(PluginAbi, ClassIdsCompareOnAllSixteenBytes) {
    ClassId other = kConsoleClassId;
    EXPECT_TRUE(other == kConsoleClassId);
    for (int i = 0; i < 8; ++i) {
        other = kConsoleClassId;
        other.data4[i] ^= 1;
        EXPECT_FALSE(other == kConsoleClassId) << "byte " << 8 + i;
    }
    other = kConsoleClassId;
    other.data2 ^= 1;
    EXPECT_FALSE(other == kConsoleClassId);
}

TEST(PluginAbi, ErrorSeverityIsThree) {
    EXPECT_EQ(SEVERITY_ERROR, 3);
}

// A host can implement an object from the header alone, overriding only the listed slots.
class BytesFile final : public HostFile {
  public:
    explicit BytesFile(std::string bytes) : bytes_(std::move(bytes)) {}
    uint32_t read(void* destination, uint32_t byte_count) override {
        const size_t n = std::min<size_t>(byte_count, bytes_.size() - at_);
        std::memcpy(destination, bytes_.data() + at_, n);
        at_ += n;
        return static_cast<uint32_t>(n);
    }
    uint32_t size() override { return static_cast<uint32_t>(bytes_.size()); }

  private:
    std::string bytes_;
    size_t at_ = 0;
};

TEST(PluginAbi, HostObjectBuiltFromTheHeaderAloneAnswersThroughItsInterface) {
    BytesFile concrete("DDMF rest");
    HostFile& file = concrete;
    char buffer[16] = {};
    EXPECT_EQ(file.size(), 9u);
    EXPECT_EQ(file.read(buffer, 4), 4u);
    EXPECT_STREQ(buffer, "DDMF");
    EXPECT_EQ(file.read(buffer, 16), 5u);
    file.reserved_slot_0();  // placeholders are callable and do nothing
}

}  // namespace
