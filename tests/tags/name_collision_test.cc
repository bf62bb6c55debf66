#include "tags/name_collision.h"

#include <gtest/gtest.h>

#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "check_support.h"
#include "reference_check.h"

using Names = std::vector<std::string>;

namespace {

// Short names over a tiny alphabet, so that prefixes and duplicates are common;
// now and then an empty one.
Names random_short_names(std::mt19937_64& random, size_t count, std::string_view alphabet) {
    Names names(count);
    for (std::string& name : names) {
        size_t length = random_below(random, 16) == 0 ? 0 : 1 + random_below(random, 4);
        name = random_text(random, length, alphabet);
    }
    return names;
}

TEST(NameCollision, FirstCollisionEqualsThePairwiseLoops) {
    std::mt19937_64 random(20240611);
    size_t seen[4] = {};
    for (int round = 0; round < 30000; ++round) {
        size_t n = 1 + random_below(random, 8);
        std::string_view alphabet = round % 2 ? "ab" : "abc";
        Names opn_tag = random_short_names(random, n, alphabet);
        Names cls_tag = random_short_names(random, n, alphabet);
        NameCollision expected = reference_first_collision(opn_tag, cls_tag);
        ASSERT_EQ(find_first_collision(opn_tag, cls_tag), expected) << "round " << round;
        ++seen[static_cast<int>(expected.place)];
    }
    // Every outcome must be common for the comparison to mean anything.
    for (size_t count : seen)
        EXPECT_GT(count, 1000u);
}

struct CollisionCase {
    const char* what;
    Names opn_tag;
    Names cls_tag;
    NameCollision expected;
};

TEST(NameCollision, ReportsTheFirstPairInCheckingOrder) {
    using enum CollisionPlace;
    const CollisionCase cases[] = {
        {"free lists", {"{", "[["}, {"}", "]]"}, {none, 0, 0}},
        {"one pair", {"{"}, {"}"}, {none, 0, 0}},
        {"prefix in the open list", {"b", "bold"}, {"x", "y"}, {in_opn, 0, 1}},
        {"longer name first", {"bold", "b"}, {"x", "y"}, {in_opn, 0, 1}},
        {"duplicate in the close list", {"a", "b"}, {"x", "x"}, {in_cls, 0, 1}},
        {"empty name within a list", {"a", "", "b"}, {"x", "y", "z"}, {in_opn, 0, 1}},
        {"open list first for the same pair", {"a", "ab"}, {"x", "xy"}, {in_opn, 0, 1}},
        {"smaller second index first", {"a", "q", "ab"}, {"x", "xy", "z"}, {in_cls, 0, 1}},
        {"smaller first index before smaller second",
         {"a", "q", "r", "ab"},
         {"x", "y", "yz", "z"},
         {in_opn, 0, 3}},
        {"within before across", {"x", "a", "a"}, {"x", "y", "z"}, {in_opn, 1, 2}},
        {"symmetric delimiter", {"\""}, {"\""}, {across, 0, 0}},
        {"empty name alone", {""}, {"x"}, {across, 0, 0}},
        {"across: open names outer", {"a", "b"}, {"bx", "a"}, {across, 0, 1}},
        {"across: the open name's index first", {"c", "ab"}, {"a", "bc"}, {across, 1, 0}},
        {"NUL bytes are bytes", {std::string("a\0", 2)}, {std::string("a\0b", 3)}, {across, 0, 0}},
        {"only a NUL differs", {std::string("a\0", 2)}, {std::string("a\1", 2)}, {none, 0, 0}},
    };
    for (const CollisionCase& c : cases) {
        EXPECT_EQ(find_first_collision(c.opn_tag, c.cls_tag), c.expected) << c.what;
        EXPECT_EQ(reference_first_collision(c.opn_tag, c.cls_tag), c.expected) << c.what;
    }
}

}  // namespace
