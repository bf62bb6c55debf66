#pragma once

// The matcher of a list set read with its rules: every spelling of every name
// and every region start in one automaton. Spellings and starts may be prefixes
// of one another ("<b" of "<body", "<!" of "<!--"), and the automaton finds one
// string a place: it is built from the shortest of them, the strings none of the
// others begins, each standing for its group, the strings that begin with it. A
// found string is a hint: what the rules make of that place is decided on the
// bytes there, over the group in the order the rules try it (rules_filter.h).

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "match/tag_matcher.h"
#include "rules/rules_file.h"
#include "tags/tag_table.h"

// One thing a string found may be: the start of region rule `region`, or a
// spelling of name `id`.
struct RulePattern {
    std::string text;  // folded under ignore-case
    bool is_region = false;
    uint32_t region = 0;
    uint32_t id = 0;
    bool word_end = false;
};

// Bytes a region or a search for an end mark stops at: a table, and the bytes
// themselves when they are four at most, to be looked for 16 at a time.
struct StopBytes {
    std::array<bool, 256> is_stop{};
    std::array<uint8_t, 4> few{};
    size_t few_count = 0;
    bool many = false;  // more than four
};

void add_stop(StopBytes& stops, uint8_t byte);

// How many bytes from `at` on, up to `span`, are no stop.
// Hot: a change needs a benchmark run.
size_t skip_to_stop(const uint8_t* at, size_t span, const StopBytes& stops);

struct RulesMatcher {
    TagRules rules;
    TagMatcher matcher;
    std::vector<std::vector<RulePattern>> groups;  // by the matcher's id, in the order tried
    std::vector<uint32_t> group_prefix;            // by the matcher's id: the bytes all share
    RegionRule tag_region;                         // after a name under tag-end
    bool tag_end_is_self_close_end = false;
    // Under ignore-case, whether the filter can read folded text: no escape
    // and no not-after byte is a letter (every other byte it looks at is the
    // same folded). Else it reads the text as it is and folds as it compares.
    bool folded_text = false;
    std::vector<uint8_t> self_closing;    // by name id
    std::vector<StopBytes> region_stops;  // by region rule; the tag region's last
    StopBytes self_close_stops{};
    StopBytes line_end_stops{};
    std::vector<uint8_t> not_after_bytes;  // those the region rules name
    size_t reach = 0;                      // the most bytes a decision looks at from a place
};

// Throws std::bad_alloc when memory runs out.
RulesMatcher build_rules_matcher(const TagTable& table, const TagRules& rules,
                                 const MatcherOptions& options = {});

inline uint8_t folded_byte(bool fold, uint8_t byte) {
    return fold ? fold_case(byte) : byte;
}
