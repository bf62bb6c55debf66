#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "scan/occurrence_list.h"

namespace {

struct Written {
    uint64_t name_id;
    uint64_t line;
    int64_t lvl;  // expected back
};

// Short and long records side by side; lvl comes back from the tags before.
TEST(OccurrenceList, GivesBackEveryOccurrenceInOrder) {
    const uint64_t big_line = uint64_t{1} << 40;
    std::vector<Written> written = {
        {1, 1, -1},  // a close tag at depth 0
        {0, 1, 0},
        {4094, 1, 1},
        {4095, 8, 1},    // largest id and line step of two bytes
        {4096, 8, 1},    // three bytes for the id
        {5, 16, 1},      // three bytes for the line step
        {65535, 79, 0},  // largest id and line step of three bytes
        {65536, 79, 0},  // long for the id
        {4, 143, 1},     // long for the line step
        {2 * uint64_t{INT32_MAX} + 1, big_line, 1},
        {5, big_line, 0},
        {7, UINT64_MAX, -1},
    };
    // Enough more to make the buffer grow a few times.
    for (int64_t i = 0; i < 100000; ++i) {
        written.push_back({2 * static_cast<uint64_t>(i), UINT64_MAX, i});
    }
    OccurrenceList list;
    for (const Written& w : written) {
        append_occurrence(list, w.name_id, w.line);
    }
    EXPECT_EQ(list.count, written.size());

    OccurrenceCursor cursor;
    TagOccurrence read;
    for (const Written& expected : written) {
        ASSERT_TRUE(next_occurrence(list, cursor, read));
        EXPECT_EQ(read.pair * uint64_t{2} + (read.kind == TagKind::close), expected.name_id);
        EXPECT_EQ(read.line, expected.line);
        ASSERT_EQ(read.lvl, expected.lvl) << "name id " << expected.name_id;
    }
    EXPECT_FALSE(next_occurrence(list, cursor, read));
}

// A long record where a block has just a few bytes left must go to the next
// block: short records leave every count of spare bytes from 0 to 21 before it.
TEST(OccurrenceList, LongRecordAtTheEndOfABlock) {
    const size_t short_records = kFirstOccurrenceBlockSize / 2 - kMaxOccurrenceBytes / 2 - 1;
    for (size_t extra = 0; extra < kMaxOccurrenceBytes; ++extra) {
        OccurrenceList list;
        for (size_t i = 0; i < short_records + extra / 2; ++i) {
            append_occurrence(list, 0, 1);
        }
        if (extra % 2) {
            append_occurrence(list, 4096, 1);  // three bytes
        }
        const uint64_t long_id = 2 * uint64_t{INT32_MAX} + 1;
        append_occurrence(list, long_id, uint64_t{1} << 62);
        OccurrenceCursor cursor;
        TagOccurrence read;
        while (next_occurrence(list, cursor, read) && read.line == 1) {
        }
        EXPECT_EQ(read.pair, uint32_t{INT32_MAX}) << extra;
        EXPECT_EQ(read.line, uint64_t{1} << 62) << extra;
    }
}

// A part of a file scanned on its own, read back where it stands in the file.
TEST(OccurrenceList, CursorStartsAtAGivenLineAndDepth) {
    const std::vector<Written> written = {
        {1, 1, 0},   // a close tag at depth 1
        {1, 3, -1},  // and one at depth 0
        {0, 3, 0},
    };
    OccurrenceList list;
    for (const Written& w : written)
        append_occurrence(list, w.name_id, w.line);
    OccurrenceCursor cursor = occurrence_cursor(100, 1);
    TagOccurrence read;
    for (const Written& expected : written) {
        ASSERT_TRUE(next_occurrence(list, cursor, read));
        EXPECT_EQ(read.line, 100 + expected.line);
        EXPECT_EQ(read.lvl, expected.lvl);
    }
}

// Lists filled by turns from one arena, over several of its chunks, each get
// their own blocks.
TEST(OccurrenceList, ListsShareAnArena) {
    auto arena = std::make_shared<OccurrenceArena>();
    std::vector<OccurrenceList> lists(3);
    for (OccurrenceList& list : lists)
        list.arena = arena;
    const uint64_t per_list = 3 * kOccurrenceChunkSize / 2;  // two bytes each
    for (uint64_t line = 1; line <= per_list; ++line)
        for (size_t id = 0; id < lists.size(); ++id)
            append_occurrence(lists[id], id, line);
    ASSERT_GT(arena->chunks.size(), 3u);
    for (size_t id = 0; id < lists.size(); ++id) {
        OccurrenceCursor cursor;
        TagOccurrence read;
        uint64_t line = 0;
        while (next_occurrence(lists[id], cursor, read)) {
            ASSERT_EQ(read.pair * size_t{2} + (read.kind == TagKind::close), id);
            ASSERT_EQ(read.line, ++line);
        }
        EXPECT_EQ(line, per_list);
    }
}

TEST(OccurrenceList, EmptyListGivesNothing) {
    OccurrenceList list;
    OccurrenceCursor cursor;
    TagOccurrence read;
    EXPECT_FALSE(next_occurrence(list, cursor, read));
}

// A cursor from a mark reads on from where the mark was taken, across block
// starts, with its lines and levels following on.
TEST(OccurrenceList, CursorsStartAtMarks) {
    OccurrenceList list;
    std::vector<OccurrenceMark> marks;
    std::vector<TagOccurrence> all;
    const uint64_t count = 3 * kOccurrenceBlockSize / 2;
    for (uint64_t i = 0; i < count; ++i) {
        if (i % 997 == 0 || next_starts_block(list))
            marks.push_back(mark_occurrences(list));
        append_occurrence(list, i % 3 == 2 ? 1 : 0, 1 + i / 5);
    }
    marks.push_back(mark_occurrences(list));
    OccurrenceCursor whole;
    TagOccurrence read;
    while (next_occurrence(list, whole, read))
        all.push_back(read);
    ASSERT_EQ(all.size(), count);
    ASSERT_GT(list.blocks.size(), 2u);
    for (const OccurrenceMark& mark : marks) {
        int64_t depth = 0;
        if (mark.count > 0) {
            const TagOccurrence& before = all[mark.count - 1];
            depth =
                before.kind == TagKind::open ? before.lvl + 1 : std::max<int64_t>(before.lvl, 0);
        }
        OccurrenceCursor cursor = cursor_from_mark(list, mark, 1000, depth);
        for (uint64_t i = mark.count; i < count; ++i) {
            ASSERT_TRUE(next_occurrence(list, cursor, read)) << mark.count;
            ASSERT_EQ(read.line, 1000 + all[i].line) << mark.count;
            ASSERT_EQ(read.lvl, all[i].lvl) << mark.count;
        }
        EXPECT_FALSE(next_occurrence(list, cursor, read));
    }
}

}  // namespace
