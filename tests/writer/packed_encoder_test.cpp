// The packed-sample encoder checked bit for bit and against a small independent decoder that
// follows the stored format: pre-order tree of 9-bit nodes, then a sign bit and a path per
// frame, LSB first; decoding stops after the frame during which the block's last bit was used.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "dmf_writer/packed_sample_encoder.h"

namespace tarnwick::writer {
namespace {

class ReferenceDecoder {
  public:
    explicit ReferenceDecoder(const Bytes& block) : block_(block) {}

    std::vector<int> decode(size_t frame_count) {
        std::vector<int> frames;
        if (block_.size() < 2) return frames;
        auto root = std::make_unique<Node>();
        read_node(*root);
        if (!at_end()) read_children(*root, 0);
        if (at_end()) return frames;
        uint8_t accumulator = 0;
        while (frames.size() < frame_count) {
            bool negative = bit();
            const Node* node = root.get();
            while (node->left || node->right) {
                const Node* next = bit() ? node->right.get() : node->left.get();
                if (!next) break;
                node = next;
            }
            uint8_t d = negative ? static_cast<uint8_t>(~node->value) : node->value;
            accumulator = static_cast<uint8_t>(accumulator + d);
            frames.push_back(static_cast<int8_t>(accumulator));
            if (at_end()) break;
        }
        return frames;
    }

    bool overran() const { return overran_; }

  private:
    struct Node {
        uint8_t value = 0;
        bool has_left = false, has_right = false;
        std::unique_ptr<Node> left, right;
    };

    bool at_end() const { return pos_ >= block_.size(); }
    bool bit() {
        if (at_end()) {
            overran_ = true;
            return false;
        }
        bool b = (block_[pos_] >> bit_) & 1;
        if (++bit_ == 8) {
            bit_ = 0;
            ++pos_;
        }
        return b;
    }
    void read_node(Node& n) {
        for (int i = 0; i < 7; ++i) n.value = static_cast<uint8_t>(n.value | (bit() << i));
        n.has_left = bit();
        n.has_right = bit();
    }
    void read_children(Node& n, int depth) {
        ASSERT_LT(depth, 300);
        if (n.has_left) {
            n.left = std::make_unique<Node>();
            read_node(*n.left);
            read_children(*n.left, depth + 1);
        }
        if (n.has_right) {
            n.right = std::make_unique<Node>();
            read_node(*n.right);
            read_children(*n.right, depth + 1);
        }
    }

    const Bytes& block_;
    size_t pos_ = 0;
    int bit_ = 0;
    bool overran_ = false;
};

std::vector<int> as_ints(const std::vector<int8_t>& frames) {
    return std::vector<int>(frames.begin(), frames.end());
}

TEST(PackedEncoder, ReferenceDecoderReadsARootOnlyBlockAndAThreeFrameTreeBlock) {
    EXPECT_EQ(ReferenceDecoder({0x05, 0x04}).decode(10),
              (std::vector<int>{5, -1, 4, 9, 14, 19, 24}));
    EXPECT_EQ(ReferenceDecoder({0x80, 0x03, 0x08, 0xC0, 0x01}).decode(3),
              (std::vector<int>{1, 3, 0}));
}

TEST(PackedEncoder, LoneMagnitudeGivesARootOnlyTreeAndOneSignBitPerFrame) {
    std::vector<int8_t> frames{5, -1, 4, 9, 14, 19, 24};
    EXPECT_EQ(pack_frames(frames), (Bytes{0x05, 0x04}));
}

TEST(PackedEncoder, ExplicitTreeReproducesTheThreeFrameTreeBlockByteForByte) {
    CodeTree tree{{{0, 1, 2}, {1, -1, -1}, {2, -1, -1}}};
    std::vector<int8_t> frames{1, 3, 0};
    EXPECT_EQ(pack_frames(frames, tree), (Bytes{0x80, 0x03, 0x08, 0xC0, 0x01}));
}

TEST(PackedEncoder, NodeWithOnlyALeftChildHoldsAMagnitudeReachedByPathBitOne) {
    // Root 9 has only a left child 3: "1" ends on the root, "0" goes to the leaf.
    CodeTree tree{{{9, 1, -1}, {3, -1, -1}}};
    std::vector<int8_t> frames{9, 12, 2};  // differences +9, +3, -10 (magnitude 9, sign 1)
    Bytes block = pack_frames(frames, tree);
    // Tree: 18 bits. Frames: (0,1) (0,0) (1,1) = 6 bits -> 24 bits, 3 bytes.
    EXPECT_EQ(block.size(), 3u);
    EXPECT_EQ(ReferenceDecoder(block).decode(3), as_ints(frames));
}

TEST(PackedEncoder, DifferencesCoverTheWholeByteRangeWithWrap) {
    EXPECT_EQ(delta_code(0).magnitude, 0);
    EXPECT_FALSE(delta_code(0).negative);
    EXPECT_EQ(delta_code(127).magnitude, 127);
    EXPECT_EQ(delta_code(-1).magnitude, 0);
    EXPECT_TRUE(delta_code(-1).negative);
    EXPECT_EQ(delta_code(-128).magnitude, 127);
    EXPECT_TRUE(delta_code(-128).negative);
    // 127 -> -128 is a difference of +1 once the accumulator wraps.
    std::vector<int8_t> frames{127, -128, 127};
    auto codes = delta_codes(frames);
    EXPECT_EQ(codes[1].magnitude, 1);
    EXPECT_FALSE(codes[1].negative);
    EXPECT_EQ(codes[2].magnitude, 0);  // -1
    EXPECT_TRUE(codes[2].negative);
}

struct RoundTripCase {
    const char* name;
    std::vector<int8_t> frames;
};

std::vector<RoundTripCase> round_trip_cases() {
    std::mt19937 rng(1234);
    std::vector<RoundTripCase> cases;
    std::vector<int8_t> noise(5000);
    for (auto& f : noise) f = static_cast<int8_t>(rng());
    cases.push_back({"white noise", noise});
    std::vector<int8_t> runs;
    for (int i = 0; i < 40; ++i) runs.insert(runs.end(), 200 + i, static_cast<int8_t>(i * 37));
    cases.push_back({"long runs", runs});
    std::vector<int8_t> sine(4000);
    for (size_t i = 0; i < sine.size(); ++i)
        sine[i] = static_cast<int8_t>(100.0 * std::sin(static_cast<double>(i) * 0.05));
    cases.push_back({"smooth wave", sine});
    std::vector<int8_t> extremes;
    for (int i = 0; i < 300; ++i) extremes.push_back(static_cast<int8_t>(i % 2 ? 127 : -128));
    cases.push_back({"full-scale square", extremes});
    std::vector<int8_t> every_difference;
    int8_t acc = 0;
    for (int d = -128; d <= 127; ++d) {
        acc = static_cast<int8_t>(static_cast<uint8_t>(acc + d));
        every_difference.push_back(acc);
    }
    cases.push_back({"every difference", every_difference});
    cases.push_back({"one frame", {-7}});
    cases.push_back({"silence", std::vector<int8_t>(777, 0)});
    return cases;
}

TEST(PackedEncoder, EveryShapeRoundTripsThroughTheReferenceDecoder) {
    for (const RoundTripCase& c : round_trip_cases()) {
        for (TreeShape shape : {TreeShape::huffman, TreeShape::balanced, TreeShape::chain}) {
            SCOPED_TRACE(testing::Message() << c.name << ", shape " << static_cast<int>(shape));
            Bytes block = pack_frames(c.frames, shape);
            ReferenceDecoder decoder(block);
            EXPECT_EQ(decoder.decode(c.frames.size()), as_ints(c.frames));
            EXPECT_FALSE(decoder.overran());
        }
    }
}

TEST(PackedEncoder, HuffmanBeatsBalancedOnSkewedDifferences) {
    std::vector<int8_t> frames;
    std::mt19937 rng(7);
    int8_t v = 0;
    for (int i = 0; i < 20000; ++i) {
        int step =
            rng() % 16 == 0 ? static_cast<int>(rng() % 100) - 50 : static_cast<int>(rng() % 3) - 1;
        v = static_cast<int8_t>(static_cast<uint8_t>(v + step));
        frames.push_back(v);
    }
    EXPECT_LT(pack_frames(frames, TreeShape::huffman).size(),
              pack_frames(frames, TreeShape::balanced).size());
}

TEST(PackedEncoder, ChainTreeIsAsDeepAsItsMagnitudeCount) {
    std::vector<int8_t> ramp;  // differences 0, 1, 2, ... 127: every magnitude once
    int8_t acc = 0;
    for (int d = 0; d < 128; ++d) {
        acc = static_cast<int8_t>(static_cast<uint8_t>(acc + d));
        ramp.push_back(acc);
    }
    CodeTree tree = build_code_tree(ramp, TreeShape::chain);
    ASSERT_EQ(tree.nodes.size(), 128u);
    for (size_t i = 0; i + 1 < tree.nodes.size(); ++i) {
        EXPECT_EQ(tree.nodes[i].left, -1);
        EXPECT_EQ(tree.nodes[i].right, static_cast<int>(i + 1));
    }
    EXPECT_EQ(ReferenceDecoder(pack_frames(ramp, tree)).decode(ramp.size()), as_ints(ramp));
}

TEST(PackedEncoder, BitWriterFillsBytesFromBitZero) {
    BitWriter w;
    w.put_bits(0x5, 3);  // 1 0 1
    w.put_bit(true);
    w.put_bits(0x1F, 5);  // crosses into the second byte
    EXPECT_EQ(w.bit_count(), 9u);
    EXPECT_EQ(w.bytes(), (Bytes{0xFD, 0x01}));
}

}  // namespace
}  // namespace tarnwick::writer
