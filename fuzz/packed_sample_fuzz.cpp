// The packed-sample decoder alone. Input: a u16 frame count (little-endian), then the block.
// The output buffer holds exactly that many frames, so a write past them is caught; every
// decoded frame is compared with a plain recursive decoder written for this check alone.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "loader/packed_sample.h"

namespace {

// Bits LSB first; past the end of the block every bit is 0 and the position stays there.
struct ReferenceBits {
    const uint8_t* bytes;
    size_t size;
    size_t position = 0;
    unsigned bit_index = 0;

    bool used_up() const { return position >= size; }
    unsigned bit() {
        if (position >= size) return 0;
        const unsigned b = (bytes[position] >> bit_index) & 1u;
        if (++bit_index == 8) {
            bit_index = 0;
            ++position;
        }
        return b;
    }
};

struct ReferenceNode {
    unsigned value = 0;
    int left = -1;
    int right = -1;
};

// Pre-order: value, left flag, right flag, left subtree, right subtree. Once the block is
// used up no frame can follow, so reading stops there, whatever the flags promised.
int read_subtree(ReferenceBits& bits, std::vector<ReferenceNode>& nodes) {
    const int index = static_cast<int>(nodes.size());
    nodes.push_back({});
    unsigned value = 0;
    for (unsigned i = 0; i < 7; ++i) value |= bits.bit() << i;
    nodes[index].value = value;
    const bool left = bits.bit() != 0;
    const bool right = bits.bit() != 0;
    if (left && !bits.used_up()) {
        const int child = read_subtree(bits, nodes);
        nodes[index].left = child;
    }
    if (right && !bits.used_up()) {
        const int child = read_subtree(bits, nodes);
        nodes[index].right = child;
    }
    return index;
}

std::vector<float> reference_unpack(const uint8_t* bytes, size_t size, uint32_t frames) {
    std::vector<float> out;
    if (size == 0) return out;
    ReferenceBits bits{bytes, size};
    std::vector<ReferenceNode> nodes;
    read_subtree(bits, nodes);
    if (bits.used_up()) return out;
    uint8_t accumulator = 0;
    while (out.size() < frames) {
        const bool negative = bits.bit() != 0;
        int current = 0;
        while (nodes[current].left >= 0 || nodes[current].right >= 0) {
            const int next = bits.bit() ? nodes[current].right : nodes[current].left;
            if (next < 0) break;
            current = next;
        }
        const uint8_t magnitude = static_cast<uint8_t>(nodes[current].value);
        accumulator = static_cast<uint8_t>(accumulator + (negative ? ~magnitude : magnitude));
        out.push_back(static_cast<float>(static_cast<int8_t>(accumulator)) / 128.0f);
        if (bits.used_up()) break;
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return -1;
    const uint8_t* block = data + 2;
    const uint32_t block_size = static_cast<uint32_t>(size - 2);
    // Every frame takes at least its sign bit, so no block yields more than 8 frames a byte;
    // asking for a few more than that still shows that the decoder stops on its own.
    const uint32_t asked = uint32_t{data[0]} | uint32_t{data[1]} << 8;
    const uint32_t frames = asked < 8 * block_size + 16 ? asked : 8 * block_size + 16;

    // An exact heap copy of the block, so that a read past it is caught as well.
    std::unique_ptr<uint8_t[]> exact(new uint8_t[block_size]);
    for (uint32_t i = 0; i < block_size; ++i) exact[i] = block[i];
    std::unique_ptr<float[]> output(new float[frames]);
    for (uint32_t i = 0; i < frames; ++i) output[i] = 2.0f;  // a value no frame can take

    const uint32_t written =
        tarnwick::unpack(output.get(), block_size ? exact.get() : nullptr, block_size, frames);
    if (written > frames) std::abort();

    const std::vector<float> expected = reference_unpack(exact.get(), block_size, frames);
    if (written != expected.size()) std::abort();
    for (uint32_t i = 0; i < written; ++i) {
        if (output[i] != expected[i]) std::abort();
    }
    for (uint32_t i = written; i < frames; ++i) {
        if (output[i] != 2.0f) std::abort();  // frames not decoded stay untouched
    }
    return 0;
}
