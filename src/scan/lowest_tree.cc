#include "scan/lowest_tree.h"

#include <algorithm>

namespace {

constexpr uint64_t kBlock = LowestTree::kBlockSize;

// The least of the values the block holds.
uint64_t least_in_block(const LowestTree& tree, uint64_t block) {
    const uint64_t* first = tree.values.blocks[block].get();
    uint64_t count = std::min(kBlock, tree.values.size - block * kBlock);
    return *std::min_element(first, first + count);
}

void update_block(LowestTree& tree, uint64_t block) {
    size_t node = tree.leaves + block;
    tree.nodes[node] = least_in_block(tree, block);
    for (node /= 2; node > 0; node /= 2)
        tree.nodes[node] = std::min(tree.nodes[2 * node], tree.nodes[2 * node + 1]);
}

void make_inner_nodes(LowestTree& tree) {
    for (size_t node = tree.leaves - 1; node > 0; --node)
        tree.nodes[node] = std::min(tree.nodes[2 * node], tree.nodes[2 * node + 1]);
}

// The tree doubles its leaves, the old ones kept.
void grow(LowestTree& tree) {
    size_t leaves = tree.leaves == 0 ? 1 : 2 * tree.leaves;
    std::vector<uint64_t> nodes(2 * leaves, LowestTree::kNoValue);
    for (size_t i = 0; i < tree.leaves; ++i)
        nodes[leaves + i] = tree.nodes[tree.leaves + i];
    tree.nodes = std::move(nodes);
    tree.leaves = leaves;
    make_inner_nodes(tree);
}

// The first block from `from` on under `node`, which covers the blocks
// [begin, end), whose least value is at most `bound`; kNoValue when none is.
uint64_t first_block(const LowestTree& tree, size_t node, uint64_t begin, uint64_t end,
                     uint64_t from, uint64_t bound) {
    if (end <= from || tree.nodes[node] > bound)
        return LowestTree::kNoValue;
    if (end - begin == 1)
        return begin;
    uint64_t middle = begin + (end - begin) / 2;
    uint64_t found = first_block(tree, 2 * node, begin, middle, from, bound);
    return found != LowestTree::kNoValue
               ? found
               : first_block(tree, 2 * node + 1, middle, end, from, bound);
}

// The first value of the values [from, to) of one block that is at most `bound`.
uint64_t first_in_block(const LowestTree& tree, uint64_t from, uint64_t to, uint64_t bound) {
    for (uint64_t i = from; i < to; ++i) {
        if (block_stack_item(tree.values, i) <= bound)
            return i;
    }
    return LowestTree::kNoValue;
}

}  // namespace

void lowest_tree_push(LowestTree& tree, uint64_t value) {
    if (lowest_tree_full(tree))
        grow(tree);
    block_stack_push(tree.values, value);
    uint64_t block = (tree.values.size - 1) / kBlock;
    size_t node = tree.leaves + block;
    if (tree.values.size % kBlock == 1)
        tree.nodes[node] = LowestTree::kNoValue;
    for (; node > 0 && tree.nodes[node] > value; node /= 2)
        tree.nodes[node] = value;
}

void lowest_tree_set(LowestTree& tree, uint64_t i, uint64_t value) {
    block_stack_item(tree.values, i) = value;
    update_block(tree, i / kBlock);
}

uint64_t lowest_tree_first_at_most(const LowestTree& tree, uint64_t from, uint64_t bound) {
    uint64_t size = tree.values.size;
    if (from >= size || lowest_tree_least(tree) > bound)
        return LowestTree::kNoValue;
    uint64_t block_end = std::min(size, (from / kBlock + 1) * kBlock);
    uint64_t found = first_in_block(tree, from, block_end, bound);
    if (found != LowestTree::kNoValue || block_end == size)
        return found;
    uint64_t block = first_block(tree, 1, 0, tree.leaves, block_end / kBlock, bound);
    if (block == LowestTree::kNoValue)
        return block;
    return first_in_block(tree, block * kBlock, std::min(size, (block + 1) * kBlock), bound);
}

void lowest_tree_clear(LowestTree& tree) {
    tree.values.size = 0;
    std::fill(tree.nodes.begin(), tree.nodes.end(), LowestTree::kNoValue);
}

void rebuild_lowest_tree(LowestTree& tree) {
    if (tree.leaves == 0)
        return;
    uint64_t blocks = (tree.values.size + kBlock - 1) / kBlock;
    for (uint64_t block = 0; block < tree.leaves; ++block)
        tree.nodes[tree.leaves + block] =
            block < blocks ? least_in_block(tree, block) : LowestTree::kNoValue;
    make_inner_nodes(tree);
}
