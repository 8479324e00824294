#include <gtest/gtest.h>

#include <string>
#include <type_traits>
#include <vector>

#include "shell/text_builder.h"

namespace {

using tarnwick::FormatArg;
using tarnwick::TextBuilder;

// The compiler, not the formatter, rejects arguments that do not fit one 32-bit word.
static_assert(std::is_constructible_v<FormatArg, int32_t>);
static_assert(std::is_constructible_v<FormatArg, uint32_t>);
static_assert(std::is_constructible_v<FormatArg, char>);
static_assert(std::is_constructible_v<FormatArg, uint16_t>);
static_assert(std::is_constructible_v<FormatArg, const char*>);
static_assert(!std::is_constructible_v<FormatArg, int64_t>);
static_assert(!std::is_constructible_v<FormatArg, uint64_t>);
static_assert(!std::is_constructible_v<FormatArg, size_t>);
static_assert(!std::is_constructible_v<FormatArg, double>);
static_assert(!std::is_constructible_v<FormatArg, float>);
static_assert(!std::is_constructible_v<FormatArg, const void*>);
static_assert(!std::is_constructible_v<FormatArg, const uint8_t*>);

struct Case {
    const char* format;
    std::vector<FormatArg> args;
    const char* expected;
};

std::string format(const Case& c, bool* ok = nullptr) {
    TextBuilder b("previous content");
    const bool done = b.format_text_list(c.format, c.args.data(), c.args.size());
    if (ok != nullptr) *ok = done;
    return std::string(b.text(), b.length());
}

TEST(FormatText, ConversionsProduceTheirText) {
    const std::vector<Case> cases = {
        {"%u-%u-%u", {1997, 3, 7}, "1997-3-7"},
        {"%u-%u-%u", {1900, 0, 0}, "1900-0-0"},
        {"%s", {"ab"}, "ab"},
        {"%S|%s", {"A", "b"}, "A|b"},
        {"%d %i %D %I", {-5, 6, -7, 8}, "-5 6 -7 8"},
        {"%d", {INT32_MIN}, "-2147483648"},
        {"%u", {-1}, "4294967295"},   // the word read as unsigned
        {"%d", {0xFFFFFFFFu}, "-1"},  // ... and as signed
        {"%x %X", {0xBEEFu, 0xBEEFu}, "beef BEEF"},
        {"%x", {-1}, "ffffffff"},
        {"%c%C", {'o', 'k'}, "ok"},
        {"100%%", {}, "100%"},
        {"%s", {nullptr}, ""},
        {"plain text", {}, "plain text"},
        {"", {}, ""},
    };
    for (const Case& c : cases) EXPECT_EQ(format(c), c.expected) << c.format;
}

TEST(FormatText, FlagsAndWidthsPadOnTheLeft) {
    const std::vector<Case> cases = {
        {"%05u", {42}, "00042"},
        {"%5u", {42}, "   42"},
        {"%4s", {"ab"}, "  ab"},
        {"%04s", {"ab"}, "00ab"},
        {"%2s", {"abcd"}, "abcd"},  // never cut
        {"%+d", {5}, "+5"},
        {"%+d", {0}, "0"},
        {"%+d", {-5}, "-5"},
        {"%+u", {7}, "+7"},
        {"%+u", {0x80000000u}, "2147483648"},  // negative read as signed: no plus
        {"%+x", {255}, "+ff"},
        {"%05d", {-42}, "00-42"},   // the pad goes before the minus sign
        {"%+05d", {42}, "+00042"},  // the plus comes before the pad
        {"%010u", {4000000000u}, "4000000000"},
        {"%3c", {'x'}, "x"},  // characters take no width
        {"%+c", {'x'}, "x"},
        {"%+s", {"t"}, "t"},  // texts take no sign
        {"SMPL%02u", {7}, "SMPL07"},
    };
    for (const Case& c : cases) EXPECT_EQ(format(c), c.expected) << c.format;
}

TEST(FormatText, UnknownConversionIsReadAgainAsPartOfTheFormat) {
    const std::vector<Case> cases = {
        {"%q", {5}, "q"},       {"%5q%u", {5}, "q5"},  // no argument consumed by %q
        {"%+07z!", {}, "z!"},   {"abc%", {}, "abc"},
        {"abc%+05", {}, "abc"}, {"%5%u", {9}, "9"},  // the "%" read again starts a conversion
    };
    for (const Case& c : cases) EXPECT_EQ(format(c), c.expected) << c.format;
}

TEST(FormatText, NonAsciiFormatBytesAndNonAsciiCharactersAddNothing) {
    const std::vector<Case> cases = {
        {"a\xE9z", {}, "az"},   {"[%c]", {static_cast<char>(0xE9)}, "[]"},
        {"[%c]", {0x80}, "[]"}, {"[%c]", {0x141}, "[A]"},  // only the low byte counts
        {"[%c]", {0}, "[]"},
    };
    for (const Case& c : cases) EXPECT_EQ(format(c), c.expected) << c.format;
}

TEST(FormatText, MissingOrMismatchedArgumentsGiveNoTextAndAreReported) {
    struct Reported {
        Case c;
        bool ok;
    };
    const std::vector<Reported> cases = {
        {{"%u and %u", {1}, "1 and "}, false}, {{"%s", {42}, ""}, false},
        {{"[%5d]", {"text"}, "[]"}, false},    {{"%c", {"x"}, ""}, false},
        {{"%u", {1, 2}, "1"}, true},  // arguments left over are ignored
    };
    for (const Reported& r : cases) {
        bool ok = true;
        EXPECT_EQ(format(r.c, &ok), r.c.expected) << r.c.format;
        EXPECT_EQ(ok, r.ok) << r.c.format;
    }
}

TEST(FormatText, HugeWidthIsHeldToTheMaximumField) {
    const Case c = {"%99999999999u", {1}, ""};
    const std::string text = format(c);
    EXPECT_EQ(text.size(), tarnwick::kMaxFormatWidth);
    EXPECT_EQ(text.back(), '1');
}

TEST(FormatText, VariadicFormTakesTypedArguments) {
    TextBuilder b;
    const uint8_t day = 7;
    const int32_t year_offset = 97;
    EXPECT_TRUE(b.format_text("%u-%u-%u", 1900 + year_offset, 3, day));
    EXPECT_STREQ(b.text(), "1997-3-7");
    TextBuilder name("Orders");
    EXPECT_TRUE(b.format_text("%s=%d", name, -1));
    EXPECT_STREQ(b.text(), "Orders=-1");
}

TEST(FormatText, ArgumentTakenFromTheBuilderItselfStaysIntact) {
    TextBuilder b("tarnwick");
    EXPECT_TRUE(b.format_text("[%s|%s]", b.text(), b.text()));
    EXPECT_STREQ(b.text(), "[tarnwick|tarnwick]");
}

}  // namespace
