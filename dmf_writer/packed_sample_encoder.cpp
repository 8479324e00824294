#include "dmf_writer/packed_sample_encoder.h"

#include <algorithm>
#include <array>
#include <optional>
#include <queue>
#include <tuple>
#include <utility>

namespace tarnwick::writer {

void BitWriter::put_bit(bool bit) {
    if (bit_count_ % 8 == 0) bytes_.push_back(0);
    if (bit) bytes_.back() = static_cast<uint8_t>(bytes_.back() | (1u << (bit_count_ % 8)));
    ++bit_count_;
}

void BitWriter::put_bits(uint32_t value, int count) {
    for (int i = 0; i < count; ++i) put_bit(((value >> i) & 1u) != 0);
}

DeltaCode delta_code(int d) {
    if (d < -128 || d > 127) writer_misuse("packed difference outside -128..127");
    if (d >= 0) return {static_cast<uint8_t>(d), false};
    return {static_cast<uint8_t>(-d - 1), true};
}

std::vector<DeltaCode> delta_codes(std::span<const int8_t> frames) {
    std::vector<DeltaCode> codes;
    codes.reserve(frames.size());
    int previous = 0;
    for (int8_t frame : frames) {
        // The accumulator wraps at 8 bits, so the difference is taken mod 256 as a signed byte.
        int d = static_cast<int8_t>(static_cast<uint8_t>(frame - previous));
        codes.push_back(delta_code(d));
        previous = frame;
    }
    return codes;
}

namespace {

using Counts = std::array<uint64_t, 128>;

Counts magnitude_counts(std::span<const int8_t> frames) {
    Counts counts{};
    for (const DeltaCode& code : delta_codes(frames)) ++counts[code.magnitude];
    return counts;
}

// Distinct magnitudes used, most frequent first (ties: smaller magnitude first).
std::vector<uint8_t> used_magnitudes_by_frequency(const Counts& counts) {
    std::vector<uint8_t> used;
    for (int m = 0; m < 128; ++m)
        if (counts[m] != 0) used.push_back(static_cast<uint8_t>(m));
    std::stable_sort(used.begin(), used.end(),
                     [&](uint8_t a, uint8_t b) { return counts[a] > counts[b]; });
    return used;
}

// Reorders the nodes so that node 0 is the root (the builders below create it last).
CodeTree rooted_at(const std::vector<CodeTree::Node>& nodes, int root) {
    CodeTree tree;
    std::vector<int> new_index(nodes.size(), -1);
    std::vector<int> stack{root};
    while (!stack.empty()) {
        int old = stack.back();
        stack.pop_back();
        new_index[old] = static_cast<int>(tree.nodes.size());
        tree.nodes.push_back(nodes[old]);
        if (nodes[old].right >= 0) stack.push_back(nodes[old].right);
        if (nodes[old].left >= 0) stack.push_back(nodes[old].left);
    }
    for (CodeTree::Node& n : tree.nodes) {
        if (n.left >= 0) n.left = new_index[n.left];
        if (n.right >= 0) n.right = new_index[n.right];
    }
    return tree;
}

CodeTree huffman_tree(const Counts& counts, const std::vector<uint8_t>& used) {
    std::vector<CodeTree::Node> nodes;
    // (weight, creation order, node): the creation order makes ties deterministic.
    using Entry = std::tuple<uint64_t, size_t, int>;
    size_t order = 0;
    std::priority_queue<Entry, std::vector<Entry>, std::greater<>> queue;
    std::vector<uint8_t> ascending = used;
    std::sort(ascending.begin(), ascending.end());
    for (uint8_t m : ascending) {
        nodes.push_back({m, -1, -1});
        int index = static_cast<int>(nodes.size()) - 1;
        queue.emplace(counts[m], order++, index);
    }
    while (queue.size() > 1) {
        Entry a = queue.top();
        queue.pop();
        Entry b = queue.top();
        queue.pop();
        nodes.push_back({0, std::get<2>(a), std::get<2>(b)});
        queue.emplace(std::get<0>(a) + std::get<0>(b), order++, static_cast<int>(nodes.size()) - 1);
    }
    return rooted_at(nodes, std::get<2>(queue.top()));
}

int balanced_subtree(std::vector<CodeTree::Node>& nodes, const std::vector<uint8_t>& values,
                     size_t first, size_t count) {
    if (count == 1) {
        nodes.push_back({values[first], -1, -1});
        return static_cast<int>(nodes.size()) - 1;
    }
    size_t half = count / 2;
    int left = balanced_subtree(nodes, values, first, half);
    int right = balanced_subtree(nodes, values, first + half, count - half);
    nodes.push_back({0, left, right});
    return static_cast<int>(nodes.size()) - 1;
}

CodeTree balanced_tree(const std::vector<uint8_t>& used) {
    std::vector<uint8_t> ascending = used;
    std::sort(ascending.begin(), ascending.end());
    std::vector<CodeTree::Node> nodes;
    int root = balanced_subtree(nodes, ascending, 0, ascending.size());
    return rooted_at(nodes, root);
}

CodeTree chain_tree(const std::vector<uint8_t>& used) {
    CodeTree tree;
    for (size_t i = 0; i < used.size(); ++i) {
        int next = i + 1 < used.size() ? static_cast<int>(i + 1) : -1;
        tree.nodes.push_back({used[i], -1, next});
    }
    return tree;
}

using PathCode = std::vector<bool>;  // path bits in walking order

// Shortest code that ends the decoder's walk on a node of each magnitude.
std::array<std::optional<PathCode>, 128> codes_of(const CodeTree& tree) {
    std::array<std::optional<PathCode>, 128> codes;
    if (tree.nodes.empty()) writer_misuse("a code tree needs a root");
    struct Visit {
        int node;
        PathCode path;
    };
    std::vector<Visit> queue{{0, {}}};  // breadth first: the first code found is the shortest
    for (size_t head = 0; head < queue.size(); ++head) {
        const Visit visit = queue[head];
        const CodeTree::Node& node = tree.nodes[static_cast<size_t>(visit.node)];
        if (queue.size() > 4 * tree.nodes.size()) writer_misuse("code tree has a cycle");
        auto offer = [&](const PathCode& code) {
            std::optional<PathCode>& slot = codes[node.value & 0x7F];
            if (!slot || slot->size() > code.size()) slot = code;
        };
        bool has_left = node.left >= 0, has_right = node.right >= 0;
        if (!has_left && !has_right) offer(visit.path);
        if (has_left != has_right) {
            // Choosing the missing side ends the walk here.
            PathCode stop = visit.path;
            stop.push_back(!has_right);
            offer(stop);
        }
        for (bool right : {false, true}) {
            int child = right ? node.right : node.left;
            if (child < 0) continue;
            PathCode path = visit.path;
            path.push_back(right);
            queue.push_back({child, std::move(path)});
        }
    }
    return codes;
}

void write_tree(BitWriter& bits, const CodeTree& tree, int index) {
    // Iterative pre-order, so that a deep tree cannot exhaust the stack.
    std::vector<int> stack{index};
    while (!stack.empty()) {
        const CodeTree::Node& node = tree.nodes[static_cast<size_t>(stack.back())];
        stack.pop_back();
        bits.put_bits(node.value & 0x7F, 7);
        bits.put_bit(node.left >= 0);
        bits.put_bit(node.right >= 0);
        if (node.right >= 0) stack.push_back(node.right);
        if (node.left >= 0) stack.push_back(node.left);
    }
}

}  // namespace

CodeTree build_code_tree(std::span<const int8_t> frames, TreeShape shape) {
    Counts counts = magnitude_counts(frames);
    std::vector<uint8_t> used = used_magnitudes_by_frequency(counts);
    if (used.empty()) return CodeTree{{{0, -1, -1}}};
    switch (shape) {
        case TreeShape::huffman:
            return huffman_tree(counts, used);
        case TreeShape::balanced:
            return balanced_tree(used);
        case TreeShape::chain:
            return chain_tree(used);
    }
    writer_misuse("unknown tree shape");
}

Bytes pack_frames(std::span<const int8_t> frames, const CodeTree& tree) {
    auto codes = codes_of(tree);
    BitWriter bits;
    write_tree(bits, tree, 0);
    for (const DeltaCode& delta : delta_codes(frames)) {
        const std::optional<PathCode>& code = codes[delta.magnitude];
        if (!code) writer_misuse("the code tree has no code for a magnitude the frames need");
        bits.put_bit(delta.negative);
        for (bool bit : *code) bits.put_bit(bit);
    }
    return bits.bytes();
}

Bytes pack_frames(std::span<const int8_t> frames, TreeShape shape) {
    return pack_frames(frames, build_code_tree(frames, shape));
}

}  // namespace tarnwick::writer
