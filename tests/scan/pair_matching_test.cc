// Pair matching on its own: which names match nothing, and which closes cross
// the span of another pair, given the names in file order.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "scan/pair_matching.h"

namespace {

using Indexes = std::vector<uint64_t>;

struct Case {
    std::string names;  // '(' and ')' are pair 0, '[' and ']' pair 1, '<' and '>' pair 2
    Indexes unmatched_closes;
    Indexes unmatched_opens;
    Indexes crossing;  // closes whose span crosses a later-closed span
};

constexpr std::string_view kOpens = "([<";
constexpr std::string_view kCloses = ")]>";

TEST(PairMatching, FindsUnmatchedAndCrossingNames) {
    const Case cases[] = {
        {"()", {}, {}, {}},       {")(", {0}, {1}, {}},    {"([)]", {}, {}, {2}},
        {"([])", {}, {}, {}},     {"([)", {}, {1}, {}},  // the other span never closes: no crossing
        {"(([)])", {}, {}, {3}},  {"(<[)]>", {}, {}, {3}}, {"[(])]", {4}, {}, {2}},
        {"((()", {}, {0, 1}, {}},
    };
    for (const Case& c : cases) {
        PairMatching matching;
        start_pair_matching(matching, 3);
        for (char name : c.names) {
            bool is_close = kCloses.find(name) != std::string_view::npos;
            uint32_t pair =
                static_cast<uint32_t>(is_close ? kCloses.find(name) : kOpens.find(name));
            match_name(matching, pair, is_close, 1);
        }
        Indexes closes, opens, crossing;
        for (const CloseRecord& close : matching.unmatched_closes)
            closes.push_back(close.index);
        for (const std::vector<OpenEntry>& pair_opens : matching.unmatched_opens)
            for (const OpenEntry& open : pair_opens)
                opens.push_back(open.index);
        for (const PendingClose& pending : matching.pending.closes)
            if (pending.crosses)
                crossing.push_back(pending.close.index);
        std::sort(opens.begin(), opens.end());
        EXPECT_EQ(closes, c.unmatched_closes) << c.names;
        EXPECT_EQ(opens, c.unmatched_opens) << c.names;
        EXPECT_EQ(crossing, c.crossing) << c.names;
        EXPECT_EQ(matching.count, c.names.size()) << c.names;
    }
}

}  // namespace
