#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// A stack in blocks of fixed size: it grows without copying what it holds, so
// that a stack of millions of records never needs twice their memory at once.
// Blocks once had stay for reuse until the stack is dropped; they are small,
// so that the many files with few records cost no more than a few allocations.
template <typename T>
struct BlockStack {
    static constexpr size_t kBlockBits = 6;
    static constexpr size_t kBlockSize = size_t{1} << kBlockBits;
    std::vector<std::unique_ptr<T[]>> blocks;
    uint64_t size = 0;
    uint64_t capacity = 0;  // of the blocks had
};

// The record `i` places from the bottom of the stack.
template <typename T>
inline T& block_stack_item(BlockStack<T>& stack, uint64_t i) {
    return stack.blocks[i >> BlockStack<T>::kBlockBits][i & (BlockStack<T>::kBlockSize - 1)];
}

template <typename T>
inline const T& block_stack_item(const BlockStack<T>& stack, uint64_t i) {
    return stack.blocks[i >> BlockStack<T>::kBlockBits][i & (BlockStack<T>::kBlockSize - 1)];
}

// Puts `value` on top. Throws std::bad_alloc when memory runs out.
template <typename T>
inline void block_stack_push(BlockStack<T>& stack, const T& value) {
    if (stack.size == stack.capacity) {
        stack.blocks.push_back(std::make_unique_for_overwrite<T[]>(BlockStack<T>::kBlockSize));
        stack.capacity += BlockStack<T>::kBlockSize;
    }
    block_stack_item(stack, stack.size++) = value;
}

template <typename T>
inline T& block_stack_top(BlockStack<T>& stack) {
    return block_stack_item(stack, stack.size - 1);
}

template <typename T>
inline const T& block_stack_top(const BlockStack<T>& stack) {
    return block_stack_item(stack, stack.size - 1);
}

// The blocks above the records held are given back, but one kept for the next.
template <typename T>
void block_stack_trim(BlockStack<T>& stack) {
    size_t needed = (stack.size + BlockStack<T>::kBlockSize - 1) / BlockStack<T>::kBlockSize + 1;
    if (stack.blocks.size() <= needed)
        return;
    stack.blocks.resize(needed);
    stack.blocks.shrink_to_fit();
    stack.capacity = needed * BlockStack<T>::kBlockSize;
}
