#include "scan/pending_marks.h"

#include <algorithm>

namespace {

constexpr uint64_t kBlock = PendingMarks::kBlockSize;

bool fits(uint64_t step) {
    return step <= UINT32_MAX;
}

// The block's marks before slot `slot` kept whole from now on.
void make_whole(MarkBlock& block, uint64_t slot) {
    auto whole = std::make_unique_for_overwrite<PendingMark[]>(kBlock);
    for (uint64_t i = 0; i < slot; ++i)
        whole[i] = {block.first.place + block.steps[i],
                    block.first.count + block.steps[kBlock + i]};
    block.whole = std::move(whole);
    block.steps.reset();
}

}  // namespace

PendingMark mark_at(const PendingMarks& marks, uint64_t i) {
    const MarkBlock& block = marks.blocks[i / kBlock];
    uint64_t slot = i % kBlock;
    if (block.whole)
        return block.whole[slot];
    return {block.first.place + block.steps[slot], block.first.count + block.steps[kBlock + slot]};
}

void set_mark(PendingMarks& marks, uint64_t i, const PendingMark& mark) {
    if (i / kBlock == marks.blocks.size())
        marks.blocks.emplace_back();
    MarkBlock& block = marks.blocks[i / kBlock];
    uint64_t slot = i % kBlock;
    if (slot == 0) {
        block.first = mark;
        if (!block.whole && !block.steps)
            block.steps = std::make_unique_for_overwrite<uint32_t[]>(2 * kBlock);
    }
    if (block.whole) {
        block.whole[slot] = mark;
        return;
    }
    uint64_t place_step = mark.place - block.first.place;
    uint64_t count_step = mark.count - block.first.count;
    if (!fits(place_step) || !fits(count_step)) {
        make_whole(block, slot);
        block.whole[slot] = mark;
        return;
    }
    block.steps[slot] = static_cast<uint32_t>(place_step);
    block.steps[kBlock + slot] = static_cast<uint32_t>(count_step);
}

uint64_t count_at(const PendingMarks& marks, uint64_t place) {
    // The block of the last mark at `place` or below, by the first mark of each
    // block, then that mark within its block.
    uint64_t low = 0, high = (marks.size + kBlock - 1) / kBlock;
    while (low < high) {
        uint64_t middle = low + (high - low) / 2;
        if (place < marks.blocks[middle].first.place)
            high = middle;
        else
            low = middle + 1;
    }
    if (low == 0)
        return 0;
    uint64_t first = (low - 1) * kBlock;
    uint64_t begin = first, end = std::min(first + kBlock, marks.size);
    while (begin < end) {  // the first mark above `place`
        uint64_t middle = begin + (end - begin) / 2;
        if (place < mark_at(marks, middle).place)
            end = middle;
        else
            begin = middle + 1;
    }
    return mark_at(marks, begin - 1).count;
}

void trim_marks(PendingMarks& marks) {
    size_t needed = (marks.size + kBlock - 1) / kBlock + 1;
    if (marks.blocks.size() <= needed)
        return;
    marks.blocks.resize(needed);
    marks.blocks.shrink_to_fit();
}
