#include "shell/text_builder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/support/failing_allocator.h"

namespace {

using tarnwick::kNotFound;
using tarnwick::ReserveBytes;
using tarnwick::TextBuilder;
using tarnwick::Thousandths;
using tarnwick::test::FailingAllocator;

std::string bytes_of(const TextBuilder& b) {
    return std::string(b.text(), b.length());
}

TEST(TextBuilder, EmptyBuilderShowsAnEmptyTextWithoutAllocating) {
    TextBuilder b;
    EXPECT_STREQ(b.text(), "");
    EXPECT_EQ(b.length(), 0u);
    EXPECT_EQ(b.buffer().data(), nullptr);
}

TEST(TextBuilder, AppendAndAssignTakeTheTextUpToItsNulOrTheLimit) {
    struct Case {
        const char* start;
        bool assign;
        const char* text;
        uint32_t limit;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {"ab", false, "cdef", tarnwick::kNoTextLimit, "abcdef"},
        {"ab", false, "cdef", 2, "abcd"},
        {"ab", false, "cdef", 0, "ab"},
        {"ab", false, nullptr, tarnwick::kNoTextLimit, "ab"},
        {"ab", false, "c\0d", 3, "abc"},
        {"ab", true, "xyz", tarnwick::kNoTextLimit, "xyz"},
        {"ab", true, "xyz", 1, "x"},
        {"ab", true, nullptr, tarnwick::kNoTextLimit, ""},
    };
    for (const Case& c : cases) {
        TextBuilder b(c.start);
        EXPECT_TRUE(c.assign ? b.assign(c.text, c.limit) : b.append(c.text, c.limit));
        EXPECT_EQ(bytes_of(b), c.expected) << c.start << (c.assign ? " assign " : " append ")
                                           << (c.text ? c.text : "(null)") << " limit " << c.limit;
        EXPECT_EQ(b.text()[b.length()], '\0');
    }
}

TEST(TextBuilder, WorksThroughTheHostTextResultSlots) {
    TextBuilder concrete;
    qarvel::HostTextResult& result = concrete;
    result.assign("tarnwick", tarnwick::kNoTextLimit);
    result.append(" 0.3.3", tarnwick::kNoTextLimit);
    result.truncate(8);
    EXPECT_STREQ(result.text(), "tarnwick");
    EXPECT_EQ(result.length(), 8u);
}

TEST(TextBuilder, TruncateOnlyEverShortens) {
    TextBuilder b("hello");
    b.truncate(5);
    b.truncate(9);
    EXPECT_EQ(bytes_of(b), "hello");
    b.truncate(2);
    EXPECT_EQ(bytes_of(b), "he");
    b.truncate(0);
    EXPECT_STREQ(b.text(), "");
}

TEST(TextBuilder, ReserveKeepsHeadroomWhenGrowingAndShrinksOnlyPastThirtyTwoSpareBytes) {
    struct Step {
        uint32_t reserve;
        uint32_t size_after;
    };
    const std::vector<Step> steps = {
        {10, 17},  // 7 spare: kept
        {30, 46},  // grows with 16 bytes of headroom
        {14, 46},  // 32 spare: kept
        {13, 13},  // 33 spare: given back
        {13, 13},  // fits exactly
        {14, 30},  // grows again
    };
    TextBuilder b("");  // exact growth, so the allocation shows every decision
    ASSERT_EQ(b.buffer().requested(), 17u);
    for (const Step& step : steps) {
        EXPECT_TRUE(b.reserve(step.reserve));
        EXPECT_EQ(b.buffer().requested(), step.size_after) << "reserve " << step.reserve;
        EXPECT_EQ(b.buffer().allocated(), step.size_after) << "reserve " << step.reserve;
    }
}

TEST(TextBuilder, RepeatedAppendsOnADoublingBuilderReallocateOnlyLogarithmicallyOften) {
    TextBuilder b;
    const uint8_t* last = nullptr;
    int moves = 0;
    for (int i = 0; i < 10000; ++i) {
        b.append("x", 1);
        if (b.buffer().data() != last) {
            ++moves;
            last = b.buffer().data();
        }
    }
    EXPECT_EQ(b.length(), 10000u);
    EXPECT_LE(moves, 15);
    const uint32_t allocated = b.buffer().allocated();
    EXPECT_EQ(allocated & (allocated - 1), 0u) << "a power of two";
}

TEST(TextBuilder, CopiesUseExactGrowthAndAreIndependent) {
    TextBuilder original;
    original.append("song title");
    TextBuilder copy(original);
    original.assign("changed");
    EXPECT_EQ(bytes_of(copy), "song title");
    EXPECT_EQ(copy.buffer().growth(), tarnwick::Growth::exact);
    EXPECT_EQ(TextBuilder("x").buffer().growth(), tarnwick::Growth::exact);
}

TEST(TextBuilder, ThousandthsShowWithThreeSignificantDigits) {
    struct Case {
        uint32_t thousandths;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {250, "0.25"},
        {100, "0.1"},
        {1000, "1"},
        {333, "0.333"},
        {0, "0"},
        {1234, "1.23"},
        {999999, "1e+03"},
        {123456789, "1.23e+05"},
        {4294967295u, "4.29e+06"},
    };
    for (const Case& c : cases) {
        EXPECT_STREQ(TextBuilder(Thousandths{c.thousandths}).text(), c.expected) << c.thousandths;
    }
}

TEST(TextBuilder, IntegersConvertInTheirBase) {
    struct Case {
        int64_t value;
        uint32_t base;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {0, 10, "0"},
        {48000, 10, "48000"},
        {-5, 10, "-5"},
        {INT64_MIN, 10, "-9223372036854775808"},
        {INT64_MAX, 10, "9223372036854775807"},
        {255, 16, "ff"},
        {5, 2, "101"},
        {35, 36, "z"},
        {-1, 16, "ffffffffffffffff"},  // no sign outside base 10
    };
    for (const Case& c : cases) {
        TextBuilder b("n=");
        EXPECT_TRUE(b.append_integer(c.value, c.base));
        EXPECT_EQ(bytes_of(b), std::string("n=") + c.expected) << c.value << " base " << c.base;
    }
    TextBuilder b;
    EXPECT_FALSE(b.append_integer(5, 1));
    EXPECT_FALSE(b.append_integer(5, 37));
    EXPECT_EQ(b.length(), 0u);
}

TEST(TextBuilder, RealsKeepAtMostTheAskedSignificantDigits) {
    struct Case {
        double value;
        int32_t digits;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {0.25, 3, "0.25"},
        {3.14159, 3, "3.14"},
        {3.14159, 1, "3"},
        {3.14159, 0, "3"},  // fewer than one digit means one
        {2.5, 6, "2.5"},    // trailing zeros dropped
        {100.0, 3, "100"},
        {1000.0, 3, "1e+03"},
        {-0.5, 2, "-0.5"},
        {0.0001, 3, "0.0001"},
        {0.00001, 3, "1e-05"},
        {1.0 / 3.0, 40, "0.33333333333333331"},  // more than 17 digits means 17
        {12345.678, 10, "12345.678"},
    };
    for (const Case& c : cases) {
        TextBuilder b;
        EXPECT_TRUE(b.append_real(c.value, c.digits));
        EXPECT_EQ(bytes_of(b), c.expected) << c.value << " with " << c.digits << " digits";
    }
}

TEST(TextBuilder, FindLooksFromTheStartAndAnswersAllBitsWhenAbsent) {
    TextBuilder b("a\nbc\nd");
    struct Case {
        char byte;
        int64_t start;
        uint32_t expected;
    };
    const std::vector<Case> cases = {
        {'\n', 0, 1},          {'\n', 1, 1},        {'\n', 2, 4},
        {'\n', 5, kNotFound},  {'a', -7, 0},        {'d', 6, kNotFound},
        {'d', 100, kNotFound}, {'z', 0, kNotFound}, {'\0', 0, kNotFound},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(b.find(c.byte, c.start), c.expected) << int(c.byte) << " from " << c.start;
    }
    EXPECT_EQ(kNotFound, 0xFFFFFFFFu);
}

TEST(TextBuilder, InsertPlacesBytesAtTheIndexAndAppendsPastTheEnd) {
    struct Case {
        const char* start;
        uint32_t index;
        const char* inserted;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {"line1\nline2", 5, "\r", "line1\r\nline2"},
        {"abc", 0, "XY", "XYabc"},
        {"abc", 3, "XY", "abcXY"},
        {"abc", 99, "XY", "abcXY"},
        {"", 5, "XY", "XY"},
        {"abc", 1, "", "abc"},
    };
    for (const Case& c : cases) {
        TextBuilder b;
        b.append(c.start);
        EXPECT_TRUE(b.insert(c.index, c.inserted));
        EXPECT_EQ(bytes_of(b), c.expected) << c.start << " at " << c.index;
        EXPECT_EQ(b.text()[b.length()], '\0');
    }
}

TEST(TextBuilder, CarriageReturnsBeforeEveryLineFeed) {
    // The way track comments get CR LF line ends.
    TextBuilder b;
    b.append("one\ntwo\nthree");
    for (uint32_t at = b.find('\n', 0); at != kNotFound; at = b.find('\n', at + 2)) {
        b.insert(at, "\r", 1);
    }
    EXPECT_EQ(bytes_of(b), "one\r\ntwo\r\nthree");
}

TEST(TextBuilder, OwnTextCanBeAppendedAssignedAndInsertedSafely) {
    TextBuilder b;
    b.append("abcdef");
    for (int i = 0; i < 6; ++i) b.append(b.text());  // each append moves the buffer
    EXPECT_EQ(b.length(), 6u * 64u);
    EXPECT_EQ(bytes_of(b).substr(0, 12), "abcdefabcdef");

    TextBuilder exact("0123456789012345678901234567890123456789012345678901234567890123");
    exact.assign(exact.text() + 60);  // shrinks the exact buffer past the source
    EXPECT_EQ(bytes_of(exact), "0123");

    TextBuilder inner;
    inner.append("hello");
    inner.insert(2, inner.text(), inner.length());
    EXPECT_EQ(bytes_of(inner), "hehellollo");
}

TEST(TextBuilder, CodePointsAppendAsUtf8AndUnencodableOnesAddNothing) {
    TextBuilder b;
    b.append_code_point('A');
    b.append_code_point(0xE9);
    b.append_code_point(0x2554);
    b.append_code_point(0);
    b.append_code_point(0x80000000u);
    EXPECT_EQ(bytes_of(b), "A\xC3\xA9\xE2\x95\x94");
    b.assign("");
    b.append_repeated(' ', 3);
    b.append_repeated(0x2550, 2);
    EXPECT_EQ(bytes_of(b), "   \xE2\x95\x90\xE2\x95\x90");
}

TEST(TextBuilder, RunningOutOfMemoryIsARefusalThatKeepsTheText) {
    TextBuilder b;
    b.append("kept");
    TextBuilder source("to be copied");
    {
        FailingAllocator no_memory;
        EXPECT_FALSE(b.append(std::string(100, 'x').c_str()));
        EXPECT_FALSE(b.insert(0, std::string(100, 'y').c_str()));
        EXPECT_FALSE(b.append_repeated('z', 1000));
        EXPECT_EQ(bytes_of(b), "kept");
        EXPECT_TRUE(b.out_of_memory());

        TextBuilder copy(source);
        EXPECT_TRUE(copy.out_of_memory());
        EXPECT_STREQ(copy.text(), "");

        TextBuilder formatted;
        EXPECT_FALSE(formatted.format_text("%s", "needs memory"));
        EXPECT_TRUE(formatted.out_of_memory());
    }
    EXPECT_TRUE(b.append("!"));
    EXPECT_EQ(bytes_of(b), "kept!");
}

TEST(TextBuilder, LengthsBeyondThirtyTwoBitsAreRefusedWithoutAllocating) {
    TextBuilder b;
    b.append("abc");
    EXPECT_FALSE(b.reserve(0xFFFFFFFFu));
    EXPECT_FALSE(b.append_repeated(0x10000, 0x40000000u));
    EXPECT_EQ(bytes_of(b), "abc");
    EXPECT_TRUE(TextBuilder(ReserveBytes{0xFFFFFFFFu}).out_of_memory());
}

}  // namespace
