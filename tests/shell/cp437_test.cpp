#include "shell/cp437.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

using tarnwick::cp437_code_point;
using tarnwick::text_from_cp437;

std::string utf8_of(const char* cp437, size_t limit = SIZE_MAX) {
    const tarnwick::TextBuilder text = text_from_cp437(cp437, limit);
    return std::string(text.text(), text.length());
}

TEST(Cp437, HighBytesMapToThePublishedCodePoints) {
    struct Case {
        uint8_t byte;
        uint16_t code_point;
    };
    const std::vector<Case> cases = {
        {0x80, 0x00C7}, {0x81, 0x00FC}, {0x82, 0x00E9}, {0x9B, 0x00A2}, {0x9E, 0x20A7},
        {0x9F, 0x0192}, {0xA9, 0x2310}, {0xB0, 0x2591}, {0xB1, 0x2592}, {0xB2, 0x2593},
        {0xB3, 0x2502}, {0xBA, 0x2551}, {0xBB, 0x2557}, {0xC4, 0x2500}, {0xC5, 0x253C},
        {0xC9, 0x2554}, {0xCD, 0x2550}, {0xDB, 0x2588}, {0xDF, 0x2580}, {0xE0, 0x03B1},
        {0xE1, 0x00DF}, {0xE3, 0x03C0}, {0xEC, 0x221E}, {0xF1, 0x00B1}, {0xF8, 0x00B0},
        {0xFB, 0x221A}, {0xFC, 0x207F}, {0xFD, 0x00B2}, {0xFE, 0x25A0}, {0xFF, 0x00A0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(cp437_code_point(c.byte), c.code_point) << std::hex << int(c.byte);
    }
}

TEST(Cp437, EveryHighByteHasItsOwnNonAsciiCodePoint) {
    std::set<uint16_t> seen;
    for (int byte = 0x80; byte <= 0xFF; ++byte) {
        const uint16_t cp = cp437_code_point(static_cast<uint8_t>(byte));
        EXPECT_GE(cp, 0xA0) << std::hex << byte;
        seen.insert(cp);
    }
    EXPECT_EQ(seen.size(), 128u);
}

TEST(Cp437, BytesBelow0x80IncludingControlBytesPassThroughUnchanged) {
    std::string all;
    for (int byte = 0x01; byte <= 0x7F; ++byte) all.push_back(static_cast<char>(byte));
    EXPECT_EQ(utf8_of(all.c_str()), all);
    EXPECT_EQ(utf8_of("\x01\x1F"), "\x01\x1F") << "no smiley faces for control bytes";
}

TEST(Cp437, TextsConvertToUtf8UpToTheirNul) {
    struct Case {
        const char* cp437;
        const char* utf8;
    };
    const std::vector<Case> cases = {
        {"\xC9\xCD\xBB", "\xE2\x95\x94\xE2\x95\x90\xE2\x95\x97"},  // box corner, line, corner
        {"H\x82llo", "H\xC3\xA9llo"},
        {"\x80", "\xC3\x87"},
        {"ab\0cd", "ab"},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(utf8_of(c.cp437), c.utf8) << c.cp437;
}

TEST(Cp437, AbsentTextGivesTheEmptyText) {
    EXPECT_EQ(utf8_of(nullptr), "");
}

TEST(Cp437, UnterminatedFixedFieldIsReadOnlyToItsLimit) {
    const char field[4] = {'A', '\xB0', 'C', 'D'};  // no NUL
    EXPECT_EQ(utf8_of(field, 3),
              "A\xE2\x96\x91"
              "C");
}

}  // namespace
