#include "rules/rules_matcher.h"

#include <algorithm>
#include <string_view>

#include "rules/case_fold.h"

namespace {

// Branch marks and region starts in rule order, then the open names by pair, then the close
// names, each name before its other spellings: the order the rules try them.
std::vector<RulePattern> patterns_in_order(const TagTable& table, const TagRules& rules,
                                           std::vector<std::vector<uint32_t>>& branch_prefixes) {
    std::vector<RulePattern> patterns;
    bool fold = rules.ignore_case;
    // One pattern a prefix of branch marks.
    std::vector<std::string_view> prefixes;
    for (size_t m = 0; m < rules.branch_marks.size(); ++m) {
        const BranchMark& mark = rules.branch_marks[m];
        if (mark.role == BranchRole::plainly_false)
            continue;
        std::string_view prefix = branch_mark_prefix(mark);
        size_t at = std::find(prefixes.begin(), prefixes.end(), prefix) - prefixes.begin();
        if (at == prefixes.size()) {
            prefixes.push_back(prefix);
            branch_prefixes.emplace_back();
            patterns.push_back({folded_if(fold, std::string(prefix)), false,
                                static_cast<uint32_t>(at), 0, false, true});
        }
        branch_prefixes[at].push_back(static_cast<uint32_t>(m));
    }
    for (size_t r = 0; r < rules.regions.size(); ++r)
        patterns.push_back(
            {folded_if(fold, rules.regions[r].start), true, static_cast<uint32_t>(r), 0, false});
    for (size_t k = 0; k < 2 * table.n; ++k) {
        size_t id = k < table.n ? 2 * k : 2 * (k - table.n) + 1;
        bool word_end = rules.word_end[id];
        patterns.push_back(
            {folded_if(fold, name_of(table, id)), false, 0, static_cast<uint32_t>(id), word_end});
        for (const std::string& other : rules.spellings[id])
            patterns.push_back(
                {folded_if(fold, other), false, 0, static_cast<uint32_t>(id), word_end});
    }
    return patterns;
}

StopBytes region_stops_of(const RegionRule& region, bool fold) {
    StopBytes stops;
    add_stop(stops, kLf);
    add_stop(stops, kCr);
    if (region.has_escape)
        add_stop(stops, static_cast<uint8_t>(region.escape));
    if (region.kind == RegionKind::to_end_mark && !region.end.empty())
        add_stop_of_any_case(stops, static_cast<uint8_t>(region.end[0]), fold);
    return stops;
}

// The groups of the patterns, each under the shortest string that begins all
// of its members, and the matcher of those strings.
void add_groups(const std::vector<RulePattern>& patterns, const MatcherOptions& options,
                RulesMatcher& rules_matcher) {
    std::vector<size_t> order(patterns.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return patterns[a].text < patterns[b].text; });
    Patterns shortest;
    std::vector<std::vector<size_t>> members;
    for (size_t i : order) {
        if (shortest.empty() || !patterns[i].text.starts_with(shortest.back())) {
            shortest.push_back(patterns[i].text);
            members.emplace_back();
        }
        members.back().push_back(i);
    }
    for (std::vector<size_t>& group : members) {
        std::sort(group.begin(), group.end());
        rules_matcher.groups.emplace_back();
        for (size_t i : group)
            rules_matcher.groups.back().push_back(patterns[i]);
    }
    for (std::string_view text : shortest)
        rules_matcher.group_prefix.push_back(static_cast<uint32_t>(text.size()));
    rules_matcher.matcher = build_matcher(shortest, options);
}

// The END's place in tag_ends, added unless it is there; kNoTagEnd for none.
uint32_t tag_end_index(RulesMatcher& rules_matcher, const std::string& end) {
    if (end.empty())
        return kNoTagEnd;
    bool fold = rules_matcher.rules.ignore_case;
    TagEndMark mark = tag_end_mark(end, fold);
    std::vector<TagEndMark>& ends = rules_matcher.tag_ends;
    for (size_t i = 0; i < ends.size(); ++i) {
        if (ends[i].end == mark.end)
            return static_cast<uint32_t>(i);
    }
    ends.push_back(mark);
    return static_cast<uint32_t>(ends.size() - 1);
}

// Under ignore-case the kept text is folded unless an escape or a not-after
// byte is a letter: the filter compares those bytes as they are, and every
// other byte it looks at is the same folded.
TextCase text_case_of(const TagRules& rules) {
    if (!rules.ignore_case)
        return TextCase::as_it_is;
    for (const RegionRule& region : rules.regions) {
        if ((region.has_escape && is_ascii_letter(static_cast<uint8_t>(region.escape))) ||
            (region.has_not_after && is_ascii_letter(static_cast<uint8_t>(region.not_after))))
            return TextCase::fold_compared;
    }
    return TextCase::folded;
}

// What the filter keeps of the text: the reach of a decision (a verb's start
// takes a '*' and its delimiter; a word end, the byte after) and the not-after
// bytes.
TextKeeping keeping_of(const RulesMatcher& rules_matcher, size_t longest) {
    const TagRules& rules = rules_matcher.rules;
    TextKeeping keeping;
    for (const RegionRule& region : rules.regions) {
        longest = std::max(longest, region.end.size());
        uint8_t byte = static_cast<uint8_t>(region.not_after);
        std::vector<uint8_t>& bytes = keeping.not_after_bytes;
        if (region.has_not_after && std::find(bytes.begin(), bytes.end(), byte) == bytes.end())
            bytes.push_back(byte);
    }
    longest = std::max(
        {longest, rules.tag_end.size(), rules.self_close_mark.size(), rules.self_close_end.size()});
    // A line-start mark looks back over the blanks before it, too.
    for (const BranchMark& mark : rules.branch_marks)
        longest = std::max({longest, branch_mark_reach(mark), kBranchBlanks + 1});
    keeping.reach = longest + 2;
    keeping.held_back = rules_matcher.matcher.trie.needs_reorder;
    keeping.text_case = text_case_of(rules);
    return keeping;
}

}  // namespace

RulesMatcher build_rules_matcher(const TagTable& table, const TagRules& rules,
                                 const MatcherOptions& options) {
    RulesMatcher rules_matcher;
    rules_matcher.rules = rules;
    TagRules& folded = rules_matcher.rules;
    bool fold = rules.ignore_case;
    std::vector<RulePattern> patterns =
        patterns_in_order(table, rules, rules_matcher.branch_prefixes);
    size_t longest = 0;
    for (const RulePattern& pattern : patterns)
        longest = std::max(longest, pattern.text.size());
    add_groups(patterns, options, rules_matcher);
    for (RegionRule& region : folded.regions) {
        region.end = folded_if(fold, region.end);
        rules_matcher.region_stops.push_back(region_stops_of(region, fold));
    }
    for (BranchMark& mark : folded.branch_marks) {
        mark.text = folded_if(fold, mark.text);
        rules_matcher.branch_keys.push_back(branch_mark_key(mark));
    }
    folded.tag_end = folded_if(fold, rules.tag_end);
    folded.self_close_mark = folded_if(fold, rules.self_close_mark);
    folded.self_close_end = folded_if(fold, rules.self_close_end);
    rules_matcher.tag_end = tag_end_index(rules_matcher, rules.tag_end);
    rules_matcher.self_close_end = tag_end_index(rules_matcher, rules.self_close_end);
    rules_matcher.self_closing.assign(rules.self_closing.begin(), rules.self_closing.end());
    rules_matcher.keeping = keeping_of(rules_matcher, longest);
    return rules_matcher;
}
