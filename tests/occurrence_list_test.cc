#include <gtest/gtest.h>

#include <vector>

#include "nesting/scan_state.h"

namespace {

bool same(const TagOccurrence& a, const TagOccurrence& b) {
    return a.lvl == b.lvl && a.line == b.line && a.pair == b.pair && a.kind == b.kind;
}

TEST(OccurrenceList, GivesBackEveryOccurrenceInOrder) {
    const uint64_t big_line = uint64_t{1} << 40;
    std::vector<TagOccurrence> written = {
        {-1, 1, 0, TagKind::close},
        {0, 1, 0, TagKind::open},
        {1, 1, 127, TagKind::open},
        {1, 3, 128, TagKind::close},
        {998, 3, 1, TagKind::open},
        {999, 200, 2, TagKind::open},
        {int64_t{1} << 40, big_line, INT32_MAX, TagKind::close},
        {0, big_line, 5, TagKind::close},
        {INT64_MAX - 1, UINT64_MAX, 6, TagKind::open},
    };
    OccurrenceList list;
    for (const TagOccurrence& occurrence : written) {
        ASSERT_TRUE(append_occurrence(list, occurrence));
    }
    // Enough more to make the buffer grow a few times.
    for (uint32_t i = 0; i < 100000; ++i) {
        TagOccurrence occurrence{i % 7, UINT64_MAX, i, TagKind::open};
        written.push_back(occurrence);
        ASSERT_TRUE(append_occurrence(list, occurrence));
    }
    EXPECT_EQ(list.count, written.size());

    OccurrenceCursor cursor;
    TagOccurrence read;
    for (const TagOccurrence& expected : written) {
        ASSERT_TRUE(next_occurrence(list, cursor, read));
        ASSERT_TRUE(same(read, expected)) << "line " << expected.line << " lvl " << expected.lvl;
    }
    EXPECT_FALSE(next_occurrence(list, cursor, read));
}

TEST(OccurrenceList, EmptyListGivesNothing) {
    OccurrenceList list;
    OccurrenceCursor cursor;
    TagOccurrence read;
    EXPECT_FALSE(next_occurrence(list, cursor, read));
}

}  // namespace
