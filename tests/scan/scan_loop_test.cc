// The one scan loop and its sinks: what a sink is handed, batch by batch, and
// the checker's and the gate's sinks agreeing on every count and verdict.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "check_support.h"
#include "scan/pair_matching.h"
#include "scan/scan_file.h"
#include "scan/scan_loop.h"

namespace {

using Names = std::vector<std::string>;

// A source that fails after its first chunk.
struct FailingSource {
    bool given = false;
};

ReadStatus read_chunk(FailingSource& source, std::string_view& chunk) {
    if (source.given)
        return ReadStatus::error;
    source.given = true;
    chunk = "{ }\n";
    return ReadStatus::chunk;
}

// Random lists of names in `style`, and their matcher.
struct RandomLists {
    TagTable table;
    Names names;  // open names, then close names
    TagMatcher matcher;
};

RandomLists random_lists(std::mt19937_64& random, const NameStyle& style) {
    Names opn_tag, cls_tag;
    random_tag_pairs(random, style, opn_tag, cls_tag);
    RandomLists lists{make_tag_table(opn_tag, cls_tag), opn_tag, {}};
    lists.names.insert(lists.names.end(), cls_tag.begin(), cls_tag.end());
    lists.matcher = build_tag_matcher(lists.table);
    return lists;
}

// Every name in order, each batch with the chunk it came from and its offset,
// and the end once, with the lines ended.
TEST(ScanLoop, SinksGetEveryNameWithItsChunk) {
    std::mt19937_64 random(5);
    const NameStyle style{"{}<ab", "ab/>", 5};
    for (int round = 0; round < 200; ++round) {
        const RandomLists lists = random_lists(random, style);
        const TagTable& table = lists.table;
        std::string text =
            random_text_with_names(random, lists.names, random_below(random, 3000), "x\n\r");
        text = text.substr(0, text.find('\x1a'));
        size_t chunk_size = 1 + random_below(random, 64);
        BytesSource source{text, chunk_size};
        CollectingSink sink;
        ASSERT_EQ(scan_text(lists.matcher, source, sink), ReadStatus::end);
        SCOPED_TRACE("round " + std::to_string(round));
        ASSERT_EQ(sink.names, naive_names(table, text));
        ASSERT_EQ(sink.ends, 1u);
        ASSERT_EQ(sink.lines_ended,
                  static_cast<uint64_t>(std::count(text.begin(), text.end(), '\n')));
        for (size_t batch = 0; batch < sink.chunk_offsets.size(); ++batch) {
            uint64_t offset = sink.chunk_offsets[batch];
            ASSERT_LE(offset, text.size());
            size_t left = text.size() - offset;
            if (left > 0) {
                ASSERT_EQ(offset % chunk_size, 0u);
            }
            ASSERT_EQ(sink.chunk_sizes[batch], std::min(chunk_size, left));
        }
    }
}

TEST(ScanLoop, ReadErrorEndsTheScanWithoutAnEnd) {
    const TagTable table = make_tag_table({"{"}, {"}"});
    const TagMatcher matcher = build_tag_matcher(table);
    FailingSource source;
    CollectingSink sink;
    EXPECT_EQ(scan_text(matcher, source, sink), ReadStatus::error);
    EXPECT_EQ(sink.ends, 0u);
}

// The gate's sink keeps no occurrence and counts as the checker's does.
TEST(ScanLoop, PairSinkCountsAsTheOccurrenceList) {
    std::mt19937_64 random(9);
    const NameStyle style{"{}<ab(", std::string("ab/>)\0", 6), 4};
    for (int round = 0; round < 200; ++round) {
        const RandomLists lists = random_lists(random, style);
        const TagTable& table = lists.table;
        const TagMatcher& matcher = lists.matcher;
        std::string text = random_checked_file(random, lists.names);
        text = text.substr(0, text.find('\x1a'));

        ScanResult result;
        start_tally(result.tally, table.n);
        OccurrenceSink occurrences{result};
        BytesSource first{text, 7};
        ASSERT_EQ(scan_text(matcher, first, occurrences), ReadStatus::end);

        NameTally tally;
        start_tally(tally, table.n);
        PairMatching matching;
        start_pair_matching(matching, table.n);
        PairSink pairs{tally, matching};
        BytesSource second{text, 13};
        ASSERT_EQ(scan_text(matcher, second, pairs), ReadStatus::end);

        SCOPED_TRACE("round " + std::to_string(round));
        ASSERT_EQ(tally.opn_num, result.tally.opn_num);
        ASSERT_EQ(tally.cls_num, result.tally.cls_num);
        ASSERT_EQ(tally.depth, result.tally.depth);
        ASSERT_EQ(tally.close_at_level_zero, result.tally.close_at_level_zero);
        ASSERT_EQ(tally.judged_ok, result.tally.judged_ok);
        ASSERT_EQ(matching.count, result.occurrences.count);
    }
}

}  // namespace
