// Pair matching on its own: which names match nothing, which closes cross the
// span of another pair, and where an open never closed should have closed,
// given the names in file order; then the places of names as the gate's sink
// sees them, against a plain search, whatever the chunks.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "check_support.h"
#include "scan/pair_matching.h"

namespace {

using Columns = std::vector<uint64_t>;

// What the matching found, by the names' columns; a note column is 0 for none.
struct Matched {
    Columns unmatched_closes;
    Columns unmatched_opens;  // in file order
    Columns notes;            // one an unmatched open
    Columns crossing;         // closes whose span crosses a later-closed span
    bool operator==(const Matched&) const = default;
};

Matched matched_names(const PairMatching& matching) {
    Matched found;
    for (uint64_t i = 0; i < matching.unmatched_closes.size; ++i)
        found.unmatched_closes.push_back(spool_record(matching.unmatched_closes, i)->place.column);
    for (uint64_t i = 0; i < matching.opens.size; ++i) {
        const OpenEntry& open = block_stack_item(matching.opens, i);
        if (open.matched)
            continue;
        found.unmatched_opens.push_back(open.place.column);
        found.notes.push_back(
            open.note == 0 ? 0 : spool_record(matching.notes, open.note - 1)->place.column);
    }
    for (uint64_t i = 0; i < matching.pending.closes.size; ++i) {
        const PendingClose& pending = *spool_record(matching.pending.closes, i);
        if (crosses(pending))
            found.crossing.push_back(pending.place.column);
    }
    return found;
}

constexpr std::string_view kOpens = "([<";
constexpr std::string_view kCloses = ")]>";

// The names of `brackets` matched on one line, in columns 1, 2, ...; the
// matched opens held on the stack move off it once there are `holes_moved`.
PairMatching match_brackets(const std::string& brackets, uint64_t holes_moved = 64 * 1024) {
    PairMatching matching;
    start_pair_matching(matching, 3);
    matching.fewest_holes_moved = holes_moved;
    for (size_t i = 0; i < brackets.size(); ++i) {
        bool is_close = kCloses.find(brackets[i]) != std::string_view::npos;
        uint32_t pair =
            static_cast<uint32_t>(is_close ? kCloses.find(brackets[i]) : kOpens.find(brackets[i]));
        match_name(matching, pair, is_close, {1, i + 1});
    }
    return matching;
}

TEST(PairMatching, FindsUnmatchedAndCrossingNamesAndNotes) {
    // '(' and ')' are pair 0, '[' and ']' pair 1, '<' and '>' pair 2; the
    // names stand in columns 1, 2, ...
    const std::pair<std::string, Matched> cases[] = {
        {"()", {}},
        {")(", {{1}, {2}, {0}, {}}},
        {"([)]", {{}, {}, {}, {3}}},
        {"([])", {}},
        {"([)", {{}, {2}, {3}, {}}},  // the other span never closes: no crossing
        {"(([)])", {{}, {}, {}, {4}}},
        {"(<[)]>", {{}, {}, {}, {4}}},
        {"[(])]", {{5}, {}, {}, {3}}},
        {"((()", {{}, {1, 2}, {0, 0}, {}}},  // what closes comes after them
        {"(<[)", {{}, {2, 3}, {4, 4}, {}}},
        {"(<)>[", {{}, {5}, {0}, {3}}},    // noted, then matched; a later one is not
        {"<(<)>", {{}, {1}, {0}, {4}}},    // the close matches an open after it
        {"([<])>", {{}, {}, {}, {4, 5}}},  // '<' is noted, then matched
        {"([<])", {{}, {3}, {4}, {}}},     // the first enclosing close is the note
        {"(<[)(])", {{}, {2}, {4}, {4, 6}}},
    };
    for (const auto& [names, expected] : cases) {
        for (uint64_t holes_moved : {uint64_t{64 * 1024}, uint64_t{1}}) {
            PairMatching matching = match_brackets(names, holes_moved);
            EXPECT_EQ(matched_names(matching), expected) << names << " " << holes_moved;
            EXPECT_EQ(matching.count, names.size()) << names;
        }
    }
}

// The same by brute force over the names a plain search finds, by their starts.
Matched plain_matching(const std::vector<FoundName>& found, size_t pairs,
                       const std::vector<uint64_t>& columns) {
    Matched expected;
    PlainPairs plain = plain_pairs(found, pairs);
    for (size_t i : plain.unmatched_closes)
        expected.unmatched_closes.push_back(columns[i]);
    for (size_t u : plain.unmatched_opens) {
        size_t note = SIZE_MAX;
        for (auto [o, c] : plain.spans)
            if (o < u && u < c)
                note = std::min(note, c);
        expected.unmatched_opens.push_back(columns[u]);
        expected.notes.push_back(note == SIZE_MAX ? 0 : columns[note]);
    }
    for (auto span : plain.spans) {
        if (crosses_a_later_span(plain, span))
            expected.crossing.push_back(columns[span.second]);
    }
    return expected;
}

// Many pending closes, settled at once or much later, past the first blocks
// of every record and the first trees of pending closes; in the last rounds
// past the block of stray closes, pending closes and notes that memory keeps,
// the rest spilled and written again there.
TEST(PairMatching, FollowsManyPendingCloses) {
    // The first two settle every pending close, and come alone at first in
    // every other round.
    std::string repeated[] = {"([)]", "<(<)>", "(<[)", "([)", "(<)>["};
    std::mt19937_64 random(5);
    for (int round = 0; round < 22; ++round) {
        std::string brackets;
        size_t length = round < 20 ? 3000 : 60000;
        while (brackets.size() < length)
            brackets += repeated[random() % (round % 2 == 0 && brackets.size() < 2000 ? 2 : 5)];
        std::vector<FoundName> found;
        std::vector<uint64_t> columns;
        for (size_t i = 0; i < brackets.size(); ++i) {
            bool is_close = kCloses.find(brackets[i]) != std::string_view::npos;
            size_t pair = is_close ? kCloses.find(brackets[i]) : kOpens.find(brackets[i]);
            found.push_back({static_cast<uint32_t>(2 * pair + is_close), 1, i});
            columns.push_back(i + 1);
        }
        Matched expected = plain_matching(found, 3, columns);
        // Matched opens moved off the stack at every chance, at a few, or not at all.
        for (uint64_t holes_moved : {uint64_t{64 * 1024}, uint64_t{1}, uint64_t{7}})
            ASSERT_EQ(matched_names(match_brackets(brackets, holes_moved)), expected)
                << round << " " << holes_moved;
    }
}

// Columns and lines through chunks of every size: names cut at the seams,
// names after text a CR has cut, names that hold others and so are handed out
// after later bytes were read.
TEST(PairMatching, PlacesNamesAsAPlainSearchDoesWhateverTheChunks) {
    std::mt19937_64 random(31);
    const NameStyle style{"{}<ab(", std::string("ab/>)\0", 6), 4};
    for (int round = 0; round < 1000; ++round) {
        std::vector<std::string> opn_tag, cls_tag;
        random_tag_pairs(random, style, opn_tag, cls_tag);
        if (round % 3 == 0) {
            // Names inside a longer one wait for it, often past a chunk's end.
            opn_tag = {"<long-name>", "n", "a"};
            cls_tag = {"</long-name>", "e", "-"};
        }
        std::vector<std::string> names = opn_tag;
        names.insert(names.end(), cls_tag.begin(), cls_tag.end());
        TagTable table = make_tag_table(opn_tag, cls_tag);
        TagMatcher matcher = build_tag_matcher(table);
        std::string text = random_checked_file(random, names);
        text = text.substr(0, text.find('\x1a'));

        std::vector<FoundName> found = naive_names(table, text);
        std::vector<uint64_t> columns;
        for (const FoundName& name : found) {
            size_t lf = text.rfind('\n', name.start == 0 ? std::string::npos : name.start - 1);
            uint64_t line_start = name.start == 0 || lf == std::string::npos ? 0 : lf + 1;
            columns.push_back(name.start - line_start + 1);
        }
        Matched expected = plain_matching(found, table.n, columns);
        size_t chunk_size = 1 + round % 17;
        SCOPED_TRACE("round " + std::to_string(round) + ", chunks of " +
                     std::to_string(chunk_size));

        NameTally tally;
        start_tally(tally, table.n);
        PairMatching matching;
        start_pair_matching(matching, table.n);
        PairSink sink{tally, matching};
        BytesSource source{text, chunk_size};
        ASSERT_EQ(scan_text(matcher, source, sink), ReadStatus::end);
        ASSERT_EQ(matched_names(matching), expected);
    }
}

}  // namespace
