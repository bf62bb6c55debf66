// The marks of the pending count against a plain vector: read back, found by
// place, changed with merges, whether their steps fit in 32 bits or not.

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "scan/pending_marks.h"

namespace {

uint64_t plain_count_at(const std::vector<PendingMark>& marks, uint64_t place) {
    uint64_t count = 0;
    for (const PendingMark& mark : marks) {
        if (mark.place <= place)
            count = mark.count;
    }
    return count;
}

void expect_same(const PendingMarks& marks, const std::vector<PendingMark>& plain,
                 const char* what) {
    ASSERT_EQ(marks.size, plain.size()) << what;
    for (uint64_t i = 0; i < plain.size(); ++i) {
        PendingMark got = mark_at(marks, i);
        ASSERT_TRUE(got.place == plain[i].place && got.count == plain[i].count) << what << " " << i;
        for (uint64_t place : {plain[i].place - 1, plain[i].place, plain[i].place + 1})
            ASSERT_EQ(count_at(marks, place), plain_count_at(plain, place)) << what << " " << i;
    }
}

TEST(PendingMarks, GiveBackWhatWentInWhateverTheSteps) {
    // Marks with steps drawn below `step` (a step past 32 bits now and then
    // where `wide_in_hundred`), some popped; then their places halved.
    struct Case {
        const char* what;
        uint64_t step;
        int wide_in_hundred;
        int count;
    };
    const Case cases[] = {
        {"one block", 5, 0, 40},
        {"many blocks", 1000, 0, 700},
        {"a wide step now and then", 1000, 2, 700},
        {"every step wide", uint64_t{1} << 40, 100, 300},
    };
    std::mt19937_64 random(11);
    for (const Case& c : cases) {
        PendingMarks marks;
        std::vector<PendingMark> plain;
        PendingMark next{1, 1};
        for (int i = 0; i < c.count; ++i) {
            bool wide = static_cast<int>(random() % 100) < c.wide_in_hundred;
            next.place += 1 + (wide ? uint64_t{1} << 33 : random() % c.step);
            next.count += 1 + random() % c.step;
            push_mark(marks, next);
            plain.push_back(next);
            if (random() % 10 == 0) {
                --marks.size;
                plain.pop_back();
            }
        }
        expect_same(marks, plain, c.what);
        auto halve = [](PendingMark mark) { return PendingMark{mark.place / 2, mark.count}; };
        change_marks(marks, halve);
        std::vector<PendingMark> halved;
        for (const PendingMark& mark : plain) {
            if (!halved.empty() && halved.back().place == mark.place / 2)
                halved.pop_back();
            halved.push_back(halve(mark));
        }
        expect_same(marks, halved, c.what);
        trim_marks(marks);
        EXPECT_LE(marks.blocks.size(), halved.size() / PendingMarks::kBlockSize + 2) << c.what;
        expect_same(marks, halved, c.what);
    }
}

}  // namespace
