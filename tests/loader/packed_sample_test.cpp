// Packed samples: the code tree, the frame codes, the accumulator and the block's end.

#include "loader/packed_sample.h"

#include <gtest/gtest.h>

#include <vector>

#include "loader/module.h"
#include "tests/support/dmf_bytes.h"

namespace tarnwick {
namespace {

using test::BitWriter;
using test::Bytes;

constexpr float kUnwritten = 99.0f;

struct Decoded {
    uint32_t written;
    std::vector<float> frames;  // all `frame_count` output elements
};

Decoded decode(const Bytes& block, uint32_t frame_count) {
    Decoded d{0, std::vector<float>(frame_count, kUnwritten)};
    d.written =
        unpack(d.frames.data(), block.data(), static_cast<uint32_t>(block.size()), frame_count);
    return d;
}

// Accumulator values as the decoder writes them: signed byte / 128.
std::vector<float> frames_of(std::initializer_list<int> values, uint32_t total) {
    std::vector<float> out;
    for (int v : values) out.push_back(static_cast<float>(v) / 128.0f);
    while (out.size() < total) out.push_back(kUnwritten);
    return out;
}

struct PackedCase {
    const char* name;
    Bytes block;
    uint32_t frame_count;
    std::vector<float> frames;
    uint32_t written;
};

Bytes root_with_left_child_only() {
    BitWriter w;
    w.node(10, true, false).node(3, false, false);
    w.bit(0).bit(1);  // sign +, path right: no right child, the walk ends on the root
    w.bit(0).bit(0);  // sign +, path left: the leaf
    w.bit(1).bit(1);  // sign -, root again: 23 + ~10 = 23 - 11
    return w.bytes();
}

Bytes wrapping_accumulator() {
    BitWriter w;
    w.node(0, true, true).node(127, false, false).node(1, false, false);
    w.bit(0).bit(0);  // +127
    w.bit(0).bit(1);  // +1: 128 wraps to -128
    w.bit(1).bit(0);  // + ~127 = -128: -256 wraps to 0
    return w.bytes();
}

Bytes block_used_up_inside_a_frame() {
    // 27 tree bits, then frames (+, right), (+, left) and a sign bit that is the block's
    // last bit: the path bit after it lies past the end and reads as 0 (left).
    BitWriter w;
    w.node(0, true, true).node(1, false, false).node(2, false, false);
    w.bit(0).bit(1).bit(0).bit(0).bit(1);
    EXPECT_EQ(w.bit_count(), 32u);
    return w.bytes();
}

Bytes tree_that_uses_up_the_block() {
    BitWriter w;  // root and one leaf need 18 bits; the block has 16
    w.node(5, true, false).bits(0x7F, 7);
    return w.bytes();
}

TEST(PackedSample, DecodesTreesFramesAndStopsAtTheBlockEnd) {
    const PackedCase cases[] = {
        {"root without children", Bytes{0x05, 0x04}, 10, frames_of({5, -1, 4, 9, 14, 19, 24}, 10),
         7},
        {"stops after the requested frames", Bytes{0x05, 0x04}, 3, frames_of({5, -1, 4}, 3), 3},
        {"root with two leaves", Bytes{0x80, 0x03, 0x08, 0xC0, 0x01}, 3, frames_of({1, 3, 0}, 3),
         3},
        {"root with only a left child", root_with_left_child_only(), 3, frames_of({10, 13, 2}, 3),
         3},
        {"accumulator wraps", wrapping_accumulator(), 3, frames_of({127, -128, 0}, 3), 3},
        {"past-end bits read as 0", block_used_up_inside_a_frame(), 10, frames_of({2, 3, 1}, 10),
         3},
        {"one-byte block", Bytes{0xFF}, 4, frames_of({}, 4), 0},
        {"tree that uses up the block", tree_that_uses_up_the_block(), 4, frames_of({}, 4), 0},
        {"leaf whose flags lie past the block end", Bytes{0x85, 0xFE}, 4, frames_of({}, 4), 0},
        {"children promised but the block ends", Bytes{0xFF, 0xFF}, 4, frames_of({}, 4), 0},
    };
    for (const PackedCase& c : cases) {
        Decoded d = decode(c.block, c.frame_count);
        EXPECT_EQ(d.written, c.written) << c.name;
        EXPECT_EQ(d.frames, c.frames) << c.name;
    }
}

TEST(PackedSample, EmptyBlockWritesNothing) {
    float out[2] = {kUnwritten, kUnwritten};
    EXPECT_EQ(unpack(out, nullptr, 0, 2), 0u);
    const uint8_t byte = 0;
    EXPECT_EQ(unpack(out, &byte, 0, 2), 0u);
    EXPECT_EQ(out[0], kUnwritten);
}

TEST(PackedSample, VeryDeepLeftTreeDecodesWithoutExhaustingTheStack) {
    constexpr uint32_t kNodes = 100000;
    BitWriter w;
    w.node(1, true, false);
    for (uint32_t i = 1; i + 1 < kNodes; ++i) w.node(i % 128, true, false);
    w.node(42, false, false);
    w.bit(0).bit(1);  // the root: 1
    w.bit(0);         // down the whole chain to the deepest node: 42
    for (uint32_t i = 0; i + 1 < kNodes; ++i) w.bit(0);
    Decoded d = decode(w.bytes(), 2);
    EXPECT_EQ(d.written, 2u);
    EXPECT_EQ(d.frames, frames_of({1, 43}, 2));

    // The same tree cut off halfway: it does not fit, so no frame comes out.
    Bytes half = w.bytes();
    half.vector().resize(half.size() / 4);
    EXPECT_EQ(decode(half, 2).written, 0u);
}

TEST(PackedSample, DeepTreeWithPendingRightSubtreesKeepsPreOrder) {
    // A left chain whose every node also has a right leaf: the right leaves follow the chain
    // in the stream, deepest first.
    constexpr uint32_t kChain = 50000;
    BitWriter w;
    for (uint32_t i = 0; i + 1 < kChain; ++i) w.node(0, true, true);
    w.node(0, false, false);
    for (uint32_t k = kChain - 1; k-- > 0;) w.node((k * 7) % 128, false, false);
    // Frames: the right leaf of chain node k is reached by k zeros and a one.
    const uint32_t picks[] = {0, 1, 2, 1000, kChain - 2};
    int expected = 0;
    std::vector<float> want;
    for (uint32_t k : picks) {
        w.bit(0);
        for (uint32_t i = 0; i < k; ++i) w.bit(0);
        w.bit(1);
        expected = static_cast<int8_t>(static_cast<uint8_t>(expected + (k * 7) % 128));
        want.push_back(static_cast<float>(expected) / 128.0f);
    }
    w.bits(0, 8);
    Decoded d = decode(w.bytes(), 5);
    EXPECT_EQ(d.written, 5u);
    EXPECT_EQ(d.frames, want);
}

TEST(PackedSample, UnwrittenFramesOfAPackedSampleAreSilence) {
    Sample s;
    const uint8_t block[] = {0x05, 0x04};
    ASSERT_TRUE(s.set_data(block, 10, 2, SampleFormat::packed));
    EXPECT_EQ(s.stored_elements, 12u);
    const float expected[] = {5, 5, -1, 4, 9, 14, 19, 24, 0, 0, 0, 0, 0};
    for (uint32_t i = 0; i < 13; ++i) EXPECT_EQ(s.fetch(i), expected[i] / 128.0f) << i;
}

TEST(PackedSample, LongSampleInATinyBlockHoldsOnlyWhatTheBitsAllow) {
    Sample s;
    const uint8_t block[] = {0x05, 0x04};
    ASSERT_TRUE(s.set_data(block, kMaxSampleFrames, 2, SampleFormat::packed));
    EXPECT_EQ(s.length, kMaxSampleFrames);
    EXPECT_EQ(s.stored_elements, 17u);  // at most one frame per bit, and the guard
    EXPECT_EQ(s.fetch(7), 24.0f / 128.0f);
    EXPECT_EQ(s.fetch(8), 0.0f);
    EXPECT_EQ(s.fetch(kMaxSampleFrames + 1), 0.0f);
}

}  // namespace
}  // namespace tarnwick
