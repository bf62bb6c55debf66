#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// From `place` on up the open stack, the opens came after `count` pending closes.
struct PendingMark {
    uint64_t place;
    uint64_t count;
};

// Marks in increasing order of place and count, in blocks of 64 that never
// move: each block keeps its first mark whole and the others as 32-bit steps
// from it, 8 bytes a mark; a block where a step does not fit keeps its marks
// whole.
struct MarkBlock {
    PendingMark first{0, 0};
    std::unique_ptr<uint32_t[]> steps;     // the places' steps, then the counts'
    std::unique_ptr<PendingMark[]> whole;  // instead of `steps`
};

struct PendingMarks {
    static constexpr uint64_t kBlockSize = 64;
    std::vector<MarkBlock> blocks;  // blocks had stay for the marks that come next
    uint64_t size = 0;
};

PendingMark mark_at(const PendingMarks& marks, uint64_t i);

// Writes mark `i`, at most one past the last; every mark after it in its block
// is to be written again before it is read. Throws std::bad_alloc when memory
// runs out.
void set_mark(PendingMarks& marks, uint64_t i, const PendingMark& mark);

inline void push_mark(PendingMarks& marks, const PendingMark& mark) {
    set_mark(marks, marks.size, mark);
    ++marks.size;
}

inline PendingMark top_mark(const PendingMarks& marks) {
    return mark_at(marks, marks.size - 1);
}

// The count of the last mark at `place` or below; 0 when there is none.
uint64_t count_at(const PendingMarks& marks, uint64_t place);

// Each mark changed by `change`, in order, which keeps their order: a mark
// changed onto the place of the one before takes that one's slot.
template <typename Change>
void change_marks(PendingMarks& marks, Change change) {
    uint64_t kept = 0;
    PendingMark block[PendingMarks::kBlockSize];
    for (uint64_t first = 0; first < marks.size; first += PendingMarks::kBlockSize) {
        uint64_t count = std::min(PendingMarks::kBlockSize, marks.size - first);
        for (uint64_t i = 0; i < count; ++i)
            block[i] = mark_at(marks, first + i);
        for (uint64_t i = 0; i < count; ++i) {
            PendingMark mark = change(block[i]);
            if (kept > 0 && mark_at(marks, kept - 1).place == mark.place)
                --kept;
            set_mark(marks, kept++, mark);
        }
    }
    marks.size = kept;
}

// The blocks past those the marks fill are given back, but one kept.
void trim_marks(PendingMarks& marks);
