// The lowest tree against a plain vector: the first value from an index on
// that is at most a bound, as values come, are set to none, all change and
// the tree starts again, across blocks and the tree's growth.

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "scan/lowest_tree.h"

namespace {

constexpr uint64_t kNone = LowestTree::kNoValue;

uint64_t plain_first_at_most(const std::vector<uint64_t>& values, uint64_t from, uint64_t bound) {
    for (uint64_t i = from; i < values.size(); ++i) {
        if (values[i] <= bound)
            return i;
    }
    return kNone;
}

uint64_t plain_least(const std::vector<uint64_t>& values) {
    uint64_t least = kNone;
    for (uint64_t value : values)
        least = std::min(least, value);
    return least;
}

void expect_same(const LowestTree& tree, const std::vector<uint64_t>& values,
                 std::mt19937_64& random, uint64_t range) {
    ASSERT_EQ(tree.values.size, values.size());
    ASSERT_EQ(lowest_tree_least(tree), plain_least(values));
    for (int query = 0; query < 8; ++query) {
        uint64_t from = random() % (values.size() + 2);
        uint64_t bound = random() % (range + 1);
        ASSERT_EQ(lowest_tree_first_at_most(tree, from, bound),
                  plain_first_at_most(values, from, bound))
            << from << " " << bound << " of " << values.size();
    }
}

TEST(LowestTree, FindsTheFirstValueAtMostABoundAsAPlainSearchDoes) {
    // Values drawn from `range`, pushed `pushes` times a round, a share of
    // them set to none at once, between rounds all changed or cleared.
    struct Case {
        uint64_t range;
        int pushes;
        int none_in_ten;
        int rounds;
    };
    const Case cases[] = {
        {4, 10, 0, 3},      // within the first block
        {1000, 200, 5, 6},  // across blocks and growth
        {50, 700, 9, 4},    // most settled: whole blocks of none
        {3, 1500, 2, 3},    // repeated values, many leaves
    };
    std::mt19937_64 random(17);
    for (const Case& c : cases) {
        LowestTree tree;
        std::vector<uint64_t> values;
        for (int round = 0; round < c.rounds; ++round) {
            for (int push = 0; push < c.pushes; ++push) {
                uint64_t value = random() % c.range;
                lowest_tree_push(tree, value);
                values.push_back(value);
                if (static_cast<int>(random() % 10) < c.none_in_ten) {
                    uint64_t i = random() % values.size();
                    lowest_tree_set(tree, i, kNone);
                    values[i] = kNone;
                }
                expect_same(tree, values, random, c.range);
            }
            if (round % 2 == 0) {
                auto halve = [](uint64_t value) { return value / 2; };
                lowest_tree_change_all(tree, halve);
                for (uint64_t& value : values)
                    value = value == kNone ? kNone : halve(value);
            } else {
                lowest_tree_clear(tree);
                values.clear();
            }
            expect_same(tree, values, random, c.range);
        }
    }
}

TEST(BlockStack, TrimGivesBackTheBlocksAboveAllButOne) {
    const std::pair<uint64_t, uint64_t> cases[] = {
        // records held, blocks kept after the trim
        {0, 1}, {1, 2}, {64, 2}, {65, 3}, {1000, 17},
    };
    for (auto [held, kept] : cases) {
        BlockStack<uint64_t> stack;
        for (uint64_t i = 0; i < 2000; ++i)
            block_stack_push(stack, i);
        stack.size = held;
        block_stack_trim(stack);
        EXPECT_EQ(stack.blocks.size(), kept) << held;
        EXPECT_EQ(stack.capacity, kept * BlockStack<uint64_t>::kBlockSize) << held;
        for (uint64_t i = 0; i < held; ++i)
            ASSERT_EQ(block_stack_item(stack, i), i) << held;
        for (uint64_t i = held; i < 200; ++i)
            block_stack_push(stack, i);
        for (uint64_t i = 0; i < 200; ++i)
            ASSERT_EQ(block_stack_item(stack, i), i) << held;
    }
}

}  // namespace
