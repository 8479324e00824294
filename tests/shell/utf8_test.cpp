#include "shell/utf8.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using tarnwick::encode_utf8;

TEST(Utf8, EncodedLengthSteppingUpAtEachBoundaryUpToSixBytes) {
    struct Case {
        uint32_t code_point;
        uint32_t length;
    };
    const std::vector<Case> cases = {
        {0x00, 1},      {0x7F, 1},       {0x80, 2},       {0x7FF, 2},      {0x800, 3},
        {0xFFFF, 3},    {0x10000, 4},    {0x1FFFFF, 4},   {0x200000, 5},   {0x3FFFFFF, 5},
        {0x4000000, 6}, {0x7FFFFFFF, 6}, {0x80000000, 0}, {0xFFFFFFFF, 0},
    };
    for (const Case& c : cases) {
        uint8_t bytes[tarnwick::kMaxUtf8Bytes] = {};
        EXPECT_EQ(encode_utf8(c.code_point, bytes), c.length) << std::hex << c.code_point;
        EXPECT_EQ(encode_utf8(c.code_point, nullptr), c.length) << std::hex << c.code_point;
    }
}

TEST(Utf8, BytesFollowTheSixByteScheme) {
    struct Case {
        uint32_t code_point;
        std::vector<uint8_t> bytes;
    };
    const std::vector<Case> cases = {
        {0x41, {0x41}},
        {0x7F, {0x7F}},
        {0x80, {0xC2, 0x80}},
        {0xE9, {0xC3, 0xA9}},
        {0x7FF, {0xDF, 0xBF}},
        {0x800, {0xE0, 0xA0, 0x80}},
        {0x2554, {0xE2, 0x95, 0x94}},
        {0xFFFF, {0xEF, 0xBF, 0xBF}},
        {0x10000, {0xF0, 0x90, 0x80, 0x80}},
        {0x10FFFF, {0xF4, 0x8F, 0xBF, 0xBF}},
        {0x1FFFFF, {0xF7, 0xBF, 0xBF, 0xBF}},
        {0x200000, {0xF8, 0x88, 0x80, 0x80, 0x80}},
        {0x3FFFFFF, {0xFB, 0xBF, 0xBF, 0xBF, 0xBF}},
        {0x4000000, {0xFC, 0x84, 0x80, 0x80, 0x80, 0x80}},
        {0x7FFFFFFF, {0xFD, 0xBF, 0xBF, 0xBF, 0xBF, 0xBF}},
    };
    for (const Case& c : cases) {
        uint8_t bytes[tarnwick::kMaxUtf8Bytes] = {};
        const uint32_t n = encode_utf8(c.code_point, bytes);
        EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + n), c.bytes) << std::hex << c.code_point;
    }
}

TEST(Utf8, UnencodableValuesWriteNothing) {
    uint8_t bytes[tarnwick::kMaxUtf8Bytes] = {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA};
    EXPECT_EQ(encode_utf8(0x80000000u, bytes), 0u);
    for (uint8_t b : bytes) EXPECT_EQ(b, 0xAA);
}

}  // namespace
