#include "shell/config_var.h"

#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "shell/memory_writer.h"
#include "tests/support/settings_record.h"
#include "tests/support/stored_settings.h"
#include "tests/support/test_host.h"

namespace {

using tarnwick::ConfigVar;
using Bytes = std::vector<uint8_t>;

using RecordingWriter = test_host::Writer;

// Short names: the tables below are built from many records.
constexpr auto& record = tarnwick::test::settings_record_with_data;
constexpr auto& value_bytes = tarnwick::test::setting_value;

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

using Values = tarnwick::test::StoredSettings;
using tarnwick::test::current_settings;
using tarnwick::test::store_settings;

constexpr Values kDefaults = {48000, 1, 250, 3000, 0};

void load(const Bytes& bytes) {
    ConfigVar::load_all(bytes.data(), bytes.size());
}

// What a save writes with `values` stored.
Bytes saved_with(const Values& values) {
    store_settings(values);
    RecordingWriter writer;
    ConfigVar::save_all(writer);
    return writer.all;
}

class Settings : public ::testing::Test {
  protected:
    void SetUp() override { store_settings(kDefaults); }
    void TearDown() override { store_settings(kDefaults); }
};

TEST_F(Settings, FiveSettingsWithTheirDefaultsNewestFirst) {
    std::vector<std::string> names;
    for (ConfigVar* v = ConfigVar::first(); v != nullptr; v = v->next()) names.push_back(v->name());
    EXPECT_EQ(names, (std::vector<std::string>{"loop", "ramplen", "vol", "rsmode", "srate"}));
    EXPECT_EQ(current_settings(), kDefaults);
}

TEST_F(Settings, SavingTheDefaultsGivesExactlyTheseEightyFiveBytes) {
    const Bytes expected = {
        4,    0, 0, 0,   'l', 'o', 'o', 'p', 4,   0,   0, 0, 0x00, 0x00, 0x00, 0x00, 7,
        0,    0, 0, 'r', 'a', 'm', 'p', 'l', 'e', 'n', 4, 0, 0,    0,    0xB8, 0x0B, 0x00,
        0x00, 3, 0, 0,   0,   'v', 'o', 'l', 4,   0,   0, 0, 0xFA, 0x00, 0x00, 0x00, 6,
        0,    0, 0, 'r', 's', 'm', 'o', 'd', 'e', 4,   0, 0, 0,    0x01, 0x00, 0x00, 0x00,
        5,    0, 0, 0,   's', 'r', 'a', 't', 'e', 4,   0, 0, 0,    0x80, 0xBB, 0x00, 0x00,
    };
    RecordingWriter writer;
    ConfigVar::save_all(writer);
    EXPECT_EQ(writer.all.size(), 85u);
    EXPECT_EQ(writer.all, expected);
}

TEST_F(Settings, EachRecordReachesTheHostAsFourSeparateWrites) {
    RecordingWriter writer;
    ConfigVar::save_all(writer);
    ASSERT_EQ(writer.writes.size(), 20u);
    EXPECT_EQ(writer.writes[0], (Bytes{4, 0, 0, 0}));
    EXPECT_EQ(writer.writes[1], (Bytes{'l', 'o', 'o', 'p'}));
    EXPECT_EQ(writer.writes[2], (Bytes{4, 0, 0, 0}));
    EXPECT_EQ(writer.writes[3], (Bytes{0, 0, 0, 0}));
}

TEST_F(Settings, SaveThenLoadRestoresEveryValueIncludingNegativeOnes) {
    const Values saved = {-44100, 2, 1000, 0, 1};
    const Bytes blob = saved_with(saved);
    store_settings(kDefaults);
    load(blob);
    EXPECT_EQ(current_settings(), saved);
}

// Malformed blobs: each stops or skips exactly as a hostile or damaged store needs.
TEST_F(Settings, MalformedRecordsAreSkippedOrEndTheLoadKeepingWhatCameBefore) {
    struct Case {
        const char* what;
        Bytes blob;
        Values expected;
    };
    const Bytes vol500 = record("vol", value_bytes(500));
    const Bytes loop1 = record("loop", value_bytes(1));
    Bytes huge_name = {0xFF, 0xFF, 0xFF, 0xFF, 'v', 'o', 'l'};
    Bytes huge_data = {3, 0, 0, 0, 'v', 'o', 'l', 0xFF, 0xFF, 0xFF, 0xFF, 1, 2, 3, 4};
    Bytes name_with_nul = record(std::string("vol\0junk", 8), value_bytes(777));
    const std::vector<Case> cases = {
        {"empty", {}, kDefaults},
        {"four bytes or fewer", {3, 0, 0, 0}, kDefaults},
        {"one good record", vol500, {48000, 1, 500, 3000, 0}},
        {"two data bytes are skipped, the next record still read",
         concat({record("vol", {0xF4, 0x01}), loop1}),
         {48000, 1, 250, 3000, 1}},
        {"unknown name skipped",
         concat({record("volume", value_bytes(9)), vol500}),
         {48000, 1, 500, 3000, 0}},
        {"names are case-sensitive", record("VOL", value_bytes(9)), kDefaults},
        {"empty name skipped",
         concat({record("", value_bytes(9)), loop1}),
         {48000, 1, 250, 3000, 1}},
        {"name ends at its first NUL", name_with_nul, {48000, 1, 777, 3000, 0}},
        {"data running past the end stops the load",
         concat({loop1, Bytes{3, 0, 0, 0, 'v', 'o', 'l', 8, 0, 0, 0, 1, 2, 3, 4}}),
         {48000, 1, 250, 3000, 1}},
        {"name length of 4 GiB stops the load",
         concat({loop1, huge_name}),
         {48000, 1, 250, 3000, 1}},
        {"data length of 4 GiB stops the load",
         concat({loop1, huge_data}),
         {48000, 1, 250, 3000, 1}},
        {"trailing bytes after the last record are ignored",
         concat({vol500, Bytes{1, 2, 3}}),
         {48000, 1, 500, 3000, 0}},
        {"a later record of the same name overrides an earlier one",
         concat({vol500, record("vol", value_bytes(600))}),
         {48000, 1, 600, 3000, 0}},
        {"zero-length records do not stall the walk",
         concat({record("", {}), record("", {}), loop1}),
         {48000, 1, 250, 3000, 1}},
    };
    for (const Case& c : cases) {
        store_settings(kDefaults);
        load(c.blob);
        EXPECT_EQ(current_settings(), c.expected) << c.what;
    }
}

TEST_F(Settings, ACompleteSaveCutAtEveryLengthLoadsOnlyTheRecordsThatFitWhole) {
    const Values saved = {22025, 2, 900, 8000, 1};
    const Bytes full = saved_with(saved);
    ASSERT_EQ(full.size(), 85u);
    // Record ends, in save order: loop 16, ramplen 35, vol 50, rsmode 68, srate 85.
    for (size_t cut = 0; cut <= full.size(); ++cut) {
        store_settings(kDefaults);
        // A copy of exactly `cut` bytes, so that the sanitizer sees any read past it.
        std::vector<uint8_t> blob(full.begin(), full.begin() + cut);
        ConfigVar::load_all(blob.empty() ? nullptr : blob.data(), blob.size());
        const Values got = current_settings();
        EXPECT_EQ(got.loop, cut >= 16 ? saved.loop : kDefaults.loop) << "cut at " << cut;
        EXPECT_EQ(got.ramplen, cut >= 35 ? saved.ramplen : kDefaults.ramplen) << "cut " << cut;
        EXPECT_EQ(got.vol, cut >= 50 ? saved.vol : kDefaults.vol) << "cut at " << cut;
        EXPECT_EQ(got.rsmode, cut >= 68 ? saved.rsmode : kDefaults.rsmode) << "cut at " << cut;
        EXPECT_EQ(got.srate, cut >= 85 ? saved.srate : kDefaults.srate) << "cut at " << cut;
    }
}

TEST_F(Settings, EveryWrongDataLengthIsSkippedWithoutReadingPastTheBlob) {
    for (uint32_t length : {0u, 1u, 2u, 3u, 5u, 8u, 100u}) {
        store_settings(kDefaults);
        Bytes data(length, 0x11);
        const Bytes blob = concat({record("srate", data), record("loop", value_bytes(1))});
        std::vector<uint8_t> exact(blob.begin(), blob.end());
        ConfigVar::load_all(exact.data(), exact.size());
        EXPECT_EQ(current_settings(), (Values{48000, 1, 250, 3000, 1})) << "data length " << length;
    }
}

TEST_F(Settings, ADamagedByteChangesOnlyItsOwnRecordAndADamagedLengthEndsTheLoad) {
    // Damage one byte of a complete save at every position with a few values. The records are
    // read in order, so the damage never reaches a record before it: in a value it changes that
    // value only, in a name it makes the record one to skip, and in a length it leaves what
    // follows out of step, so the load ends there.
    const Values saved = {22025, 2, 900, 8000, 1};
    const Bytes full = saved_with(saved);
    ASSERT_EQ(full.size(), 85u);
    struct Record {
        int32_t Values::*setting;
        size_t start;
        size_t name_length;
    };
    const Record records[] = {{&Values::loop, 0, 4},
                              {&Values::ramplen, 16, 7},
                              {&Values::vol, 35, 3},
                              {&Values::rsmode, 50, 6},
                              {&Values::srate, 68, 5}};
    for (size_t at = 0; at < full.size(); ++at) {
        for (uint8_t value : {0x00, 0x01, 0x04, 0x7F, 0x80, 0xFF}) {
            std::vector<uint8_t> blob = full;
            blob[at] = value;
            Values expected = saved;
            if (value != full[at]) {
                size_t r = 0;
                while (r + 1 < std::size(records) && records[r + 1].start <= at) ++r;
                const size_t offset = at - records[r].start;
                const size_t value_offset = 8 + records[r].name_length;
                if (offset >= value_offset) {
                    // Values are stored little-endian.
                    const uint32_t shift = 8 * static_cast<uint32_t>(offset - value_offset);
                    uint32_t v = static_cast<uint32_t>(saved.*records[r].setting);
                    v = (v & ~(0xFFu << shift)) | (uint32_t{value} << shift);
                    expected.*records[r].setting = static_cast<int32_t>(v);
                } else if (offset >= 4 && offset < 4 + records[r].name_length) {
                    expected.*records[r].setting = kDefaults.*records[r].setting;
                } else {
                    for (size_t later = r; later < std::size(records); ++later)
                        expected.*records[later].setting = kDefaults.*records[later].setting;
                }
            }
            store_settings(kDefaults);
            ConfigVar::load_all(blob.data(), blob.size());
            EXPECT_EQ(current_settings(), expected) << "byte " << at << " set to " << int{value};
        }
    }
}

TEST_F(Settings, AVariableLeavesTheListWhenDestroyed) {
    {
        ConfigVar scratch("scratch", 5);
        EXPECT_EQ(ConfigVar::first(), &scratch);
        load(record("scratch", value_bytes(6)));
        EXPECT_EQ(scratch.value(), 6);
    }
    EXPECT_STREQ(ConfigVar::first()->name(), "loop");
    RecordingWriter writer;
    ConfigVar::save_all(writer);
    EXPECT_EQ(writer.all.size(), 85u);
}

TEST(MemoryWriter, CollectsWritesBackToBackAndEmptiesKeepingItsMemory) {
    tarnwick::MemoryWriter writer;
    EXPECT_EQ(writer.write("abc", 3), 3u);
    EXPECT_EQ(writer.write("de", 2), 2u);
    EXPECT_EQ(writer.size(), 5u);
    EXPECT_EQ(std::memcmp(writer.data(), "abcde", 5), 0);
    const uint8_t* memory = writer.data();
    writer.clear();
    EXPECT_EQ(writer.size(), 0u);
    writer.write("x", 1);
    EXPECT_EQ(writer.data(), memory);
}

}  // namespace
