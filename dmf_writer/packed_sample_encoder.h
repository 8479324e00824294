#pragma once
// Encoder for packed 8-bit samples: a code tree over 7-bit magnitudes written in pre-order
// (9 bits per node: value LSB first, left flag, right flag), then per frame a sign bit and the
// path bits (1 = right, 0 = left), all packed LSB first within bytes.
//
// Each frame is stored as the difference d from the previous frame (the first from 0), mod
// 256: d >= 0 is magnitude d with sign 0, d < 0 is magnitude -d - 1 with sign 1 (the decoder
// adds ~magnitude). The decoder reads a path bit while the node has any child and stops on the
// current node when the chosen child is missing, so a node with one child can hold a
// magnitude too; the encoder finds the shortest code for each magnitude in whatever tree it
// is given.
//
// Trees here have at most 255 nodes and depth at most 128 (the `chain` shape).

#include <cstdint>
#include <span>
#include <vector>

#include "dmf_writer/byte_sink.h"

namespace tarnwick::writer {

enum class TreeShape : uint8_t {
    huffman,   // shortest codes for the frequent magnitudes; magnitudes on leaves only
    balanced,  // every magnitude at (nearly) the same depth; magnitudes on leaves only
    chain,     // unary codes: each node holds a magnitude and has only a right child, so
               // every code but the deepest ends on an inner node by choosing the missing left
};

// A code tree as written into the block; node 0 is the root.
struct CodeTree {
    struct Node {
        uint8_t value = 0;  // 7-bit magnitude
        int left = -1;      // index of the left child, or -1
        int right = -1;     // index of the right child, or -1
    };
    std::vector<Node> nodes;
};

// The magnitude (0..127) and sign bit that store the difference `d` (-128..127).
struct DeltaCode {
    uint8_t magnitude;
    bool negative;
};
DeltaCode delta_code(int d);

// The differences that encode `frames`, as magnitudes and signs, in frame order.
std::vector<DeltaCode> delta_codes(std::span<const int8_t> frames);

// A tree of the given shape over the magnitudes that `frames` need (a lone root of value 0
// when there are no frames).
CodeTree build_code_tree(std::span<const int8_t> frames, TreeShape shape);

// The packed block for `frames` with the given tree. Aborts when the tree cannot express a
// needed magnitude.
Bytes pack_frames(std::span<const int8_t> frames, const CodeTree& tree);
Bytes pack_frames(std::span<const int8_t> frames, TreeShape shape = TreeShape::huffman);

// Bits appended least significant first within each byte.
class BitWriter {
  public:
    void put_bit(bool bit);
    void put_bits(uint32_t value, int count);  // bit 0 of `value` first
    const Bytes& bytes() const { return bytes_; }
    size_t bit_count() const { return bit_count_; }

  private:
    Bytes bytes_;
    size_t bit_count_ = 0;
};

}  // namespace tarnwick::writer
