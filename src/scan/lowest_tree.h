#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "scan/block_stack.h"

// Values appended in order, any of which may later be set to kNoValue, and the
// first at or after an index that is at most a bound. The values lie in the
// blocks of a stack, which never move, and a tree over the blocks holds the
// least value of each: 8 bytes a value and a quarter byte of tree, so that
// the tree's doubling never doubles the values.
struct LowestTree {
    static constexpr uint64_t kNoValue = UINT64_MAX;
    static constexpr uint64_t kBlockSize = BlockStack<uint64_t>::kBlockSize;
    BlockStack<uint64_t> values;
    std::vector<uint64_t> nodes;  // node 1 the root, the blocks' leaves from `leaves` on
    size_t leaves = 0;            // a power of two, or 0 before the first value
};

// Whether `size` values fill the leaves the tree has: the next one grows it.
inline bool lowest_tree_full(const LowestTree& tree) {
    return tree.values.size == tree.leaves * LowestTree::kBlockSize;
}

// Throws std::bad_alloc when memory runs out.
void lowest_tree_push(LowestTree& tree, uint64_t value);

void lowest_tree_set(LowestTree& tree, uint64_t i, uint64_t value);

// The least value; kNoValue when there is none.
inline uint64_t lowest_tree_least(const LowestTree& tree) {
    return tree.leaves == 0 ? LowestTree::kNoValue : tree.nodes[1];
}

// The index of the first value from `from` on that is at most `bound`;
// kNoValue when there is none.
uint64_t lowest_tree_first_at_most(const LowestTree& tree, uint64_t from, uint64_t bound);

// No value left; the blocks and the tree's size are kept for the next ones.
void lowest_tree_clear(LowestTree& tree);

// The tree made again from the values.
void rebuild_lowest_tree(LowestTree& tree);

// Every value but kNoValue replaced by `change(value)`, the tree made again.
template <typename Change>
void lowest_tree_change_all(LowestTree& tree, Change change) {
    for (uint64_t i = 0; i < tree.values.size; ++i) {
        uint64_t& value = block_stack_item(tree.values, i);
        if (value != LowestTree::kNoValue)
            value = change(value);
    }
    rebuild_lowest_tree(tree);
}
