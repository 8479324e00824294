#include "loader/packed_sample.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

namespace tarnwick {

namespace {

constexpr uint32_t kNoNode = 0xFFFFFFFFu;
constexpr float kByteScale = 0.0078125f;  // 1 / 128

struct TreeNode {
    uint32_t left = kNoNode;
    uint32_t right = kNoNode;
    // Next node down the stack of nodes whose right subtree is still to be read.
    uint32_t next_pending = kNoNode;
    uint8_t value = 0;
    bool left_follows = false;
    bool right_follows = false;

    bool has_children() const { return left != kNoNode || right != kNoNode; }
};

// Reads the block bit by bit, least significant bit of each byte first. Past the end of the
// block every bit is 0 and the position stays at the end.
class BitReader {
  public:
    BitReader(const uint8_t* bytes, uint32_t byte_count) : bytes_(bytes), size_(byte_count) {}

    bool used_up() const { return position_ >= size_; }

    uint32_t bit() {
        if (position_ >= size_) return 0;
        const uint32_t b = (bytes_[position_] >> bit_index_) & 1u;
        if (++bit_index_ == 8) {
            bit_index_ = 0;
            ++position_;
        }
        return b;
    }

    // A field of `width` bits, the first bit read being bit 0 of the field.
    uint32_t field(uint32_t width) {
        uint32_t value = 0;
        for (uint32_t i = 0; i < width; ++i) value |= bit() << i;
        return value;
    }

  private:
    const uint8_t* bytes_;
    uint32_t size_;
    uint32_t position_ = 0;
    uint32_t bit_index_ = 0;
};

void read_node(BitReader& reader, TreeNode& node) {
    node.value = static_cast<uint8_t>(reader.field(7));
    node.left_follows = reader.bit() != 0;
    node.right_follows = reader.bit() != 0;
}

// The tree in pre-order: each node, then its whole left subtree, then its whole right
// subtree. Nodes whose right subtree is still due wait on a stack linked through the pool.
class CodeTree {
  public:
    explicit CodeTree(uint32_t byte_count) {
        const uint64_t most_nodes = (uint64_t{byte_count} * 8 + 8) / 9;
        if (most_nodes <= kNoNode - 1 && most_nodes <= SIZE_MAX / sizeof(TreeNode)) {
            pool_.reset(new (std::nothrow) TreeNode[most_nodes]);
        }
        if (pool_) {
            nodes_ = pool_.get();
            capacity_ = static_cast<uint32_t>(most_nodes);
        }
    }

    CodeTree(const CodeTree&) = delete;
    CodeTree& operator=(const CodeTree&) = delete;

    void read(BitReader& reader) {
        read_node(reader, nodes_[0]);
        count_ = 1;
        uint32_t pending = kNoNode;
        uint32_t current = 0;
        for (;;) {
            // Once the block is used up no frame can follow, so the rest of the tree is moot.
            if (reader.used_up()) return;
            TreeNode& node = nodes_[current];
            uint32_t parent = current;
            bool as_right = false;
            if (node.left_follows) {
                if (node.right_follows) {
                    node.next_pending = pending;
                    pending = current;
                }
            } else if (node.right_follows) {
                as_right = true;
            } else {
                if (pending == kNoNode) return;
                parent = pending;
                pending = nodes_[parent].next_pending;
                as_right = true;
            }
            if (count_ == capacity_) return;  // no node left: the tree ends with what it has
            const uint32_t child = count_++;
            (as_right ? nodes_[parent].right : nodes_[parent].left) = child;
            read_node(reader, nodes_[child]);
            current = child;
        }
    }

    // The magnitude that the next frame's path leads to.
    uint8_t walk(BitReader& reader) const {
        uint32_t current = 0;
        while (nodes_[current].has_children()) {
            const uint32_t next = reader.bit() ? nodes_[current].right : nodes_[current].left;
            if (next == kNoNode) break;
            current = next;
        }
        return nodes_[current].value;
    }

  private:
    std::unique_ptr<TreeNode[]> pool_;
    TreeNode root_only_[1];
    TreeNode* nodes_ = root_only_;
    uint32_t capacity_ = 1;
    uint32_t count_ = 0;
};

}  // namespace

uint32_t unpack(float* output, const uint8_t* bytes, uint32_t byte_count, uint32_t frame_count) {
    if (output == nullptr || bytes == nullptr || byte_count == 0) return 0;
    BitReader reader(bytes, byte_count);
    CodeTree tree(byte_count);
    tree.read(reader);
    if (reader.used_up()) return 0;

    uint8_t accumulator = 0;
    uint32_t written = 0;
    while (written < frame_count) {
        const bool negative = reader.bit() != 0;
        const uint8_t magnitude = tree.walk(reader);
        const uint8_t difference = negative ? static_cast<uint8_t>(~magnitude) : magnitude;
        accumulator = static_cast<uint8_t>(accumulator + difference);
        output[written++] = static_cast<float>(static_cast<int8_t>(accumulator)) * kByteScale;
        if (reader.used_up()) break;
    }
    return written;
}

}  // namespace tarnwick
