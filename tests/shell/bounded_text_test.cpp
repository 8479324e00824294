#include "shell/bounded_text.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

using tarnwick::bounded_copy;
using tarnwick::bounded_duplicate;
using tarnwick::bounded_length;

TEST(BoundedText, LengthStopsAtTheNulOrTheLimit) {
    struct Case {
        const char* text;
        size_t limit;
        size_t expected;
    };
    const std::vector<Case> cases = {
        {"abc", 10, 3}, {"abc", 2, 2}, {"abc", 0, 0}, {"", 5, 0}, {nullptr, 5, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(bounded_length(c.text, c.limit), c.expected);
    const char unterminated[3] = {'x', 'y', 'z'};
    EXPECT_EQ(bounded_length(unterminated, 3), 3u);
}

TEST(BoundedText, CopyNeverWritesPastTheDestinationAndAlwaysTerminates) {
    struct Case {
        const char* text;
        size_t destination_size;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {"abc", 10, "abc"},
        {"abcdef", 4, "abc"},
        {"abc", 1, ""},
        {nullptr, 4, ""},
    };
    for (const Case& c : cases) {
        char destination[12];
        std::memset(destination, '#', sizeof destination);
        bounded_copy(destination, c.text, c.destination_size);
        EXPECT_STREQ(destination, c.expected);
        for (size_t i = c.destination_size; i < sizeof destination; ++i) {
            EXPECT_EQ(destination[i], '#') << "byte " << i << " written";
        }
    }
    char untouched = '#';
    EXPECT_EQ(bounded_copy(&untouched, "abc", 0), 0u);
    EXPECT_EQ(untouched, '#');
}

TEST(BoundedText, DuplicateCopiesAtMostTheLimitAndTerminates) {
    char* copy = bounded_duplicate("volume", 3);
    ASSERT_NE(copy, nullptr);
    EXPECT_STREQ(copy, "vol");
    std::free(copy);
    copy = bounded_duplicate(nullptr, 3);
    ASSERT_NE(copy, nullptr);
    EXPECT_STREQ(copy, "");
    std::free(copy);
}

}  // namespace
