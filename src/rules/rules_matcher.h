#pragma once

// The matcher of a list set read with its rules: every spelling of every name
// and every region start in one automaton. Spellings and starts may be prefixes
// of one another ("<b" of "<body", "<!" of "<!--"), and the automaton finds one
// string a place: it is built from the shortest of them, the strings none of the
// others begins, each standing for its group, the strings that begin with it. A
// found string is a hint: what the rules make of that place is decided on the
// bytes there, over the group in the order the rules try it (rules_filter.h).

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "match/tag_matcher.h"
#include "rules/rules_file.h"
#include "rules/rules_text.h"
#include "rules/stop_bytes.h"
#include "rules/tag_end.h"
#include "tags/tag_table.h"

// One thing a string found may be: the start of region rule `region`, or a
// spelling of name `id`.
struct RulePattern {
    std::string text;  // folded under ignore-case
    bool is_region = false;
    uint32_t region = 0;
    RegionKind region_kind = RegionKind::to_end_mark;  // of a region start
    uint32_t id = 0;
    bool word_end = false;
    // A long string is matched through a window of what is known of the text
    // (rules_filter.h), so that trying it at every place of its group stays
    // linear: its window's place in the filter, and the string's Z-array.
    uint32_t window = UINT32_MAX;
    std::vector<uint32_t> z;
    bool blank_runs = false;    // it holds a blank that matches a run (blank_runs.h)
    bool is_branch = false;     // the prefix `region` of branch marks
    int16_t after_prefix = -1;  // its byte after its group's prefix; -1: none
    // The START of declared region `region`, not its MARK.
    bool is_declared_start = false;
};

// Strings longer than this are matched through their windows.
constexpr size_t kWindowedPattern = 32;

// A branch mark as a group tries it: its place in the rules, its prefix's size
// and its key (rules_branches.h).
struct BranchCandidate {
    uint32_t mark = 0;
    uint32_t prefix = 0;
    BranchKey key;
};

// A string the rules matcher found: its `id` is its group, not a name.
using RulesHint = FoundName;

struct RulesMatcher {
    TagRules rules;  // the marks and region ends folded under ignore-case
    TagMatcher matcher;
    std::vector<std::vector<RulePattern>> groups;  // by the matcher's id, in the order tried
    std::vector<uint32_t> group_prefix;            // by the matcher's id: the bytes all share
    std::vector<StopBytes> region_stops;           // by region rule
    // The ends of tags, each END once: the tag-end rule's and the self-closing
    // one, which are one search where they are one END.
    std::vector<TagEndMark> tag_ends;
    uint32_t tag_end = kNoTagEnd;         // the tag-end rule's
    uint32_t self_close_end = kNoTagEnd;  // the self-closing rule's
    std::vector<uint8_t> self_closing;    // by name id
    uint32_t windows = 0;                 // of the long strings
    // By the matcher's id: the branch marks, but the plainly false ones, whose
    // prefixes (the bytes before their first blank) are in the group, in rule
    // order. Where one prefix begins another, the marks of both may stand at a
    // place: the first of them in rule order is the one there.
    std::vector<std::vector<BranchCandidate>> group_branch_marks;
    TextKeeping keeping;
};

// Throws std::bad_alloc when memory runs out.
RulesMatcher build_rules_matcher(const TagTable& table, const TagRules& rules,
                                 const MatcherOptions& options = {});
