#include "rules/rules_matcher.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "rules/blank_runs.h"
#include "rules/case_fold.h"
#include "rules/declared_region.h"
#include "rules/number_before.h"
#include "rules/rules_switch.h"

namespace {

// Branch marks and region starts in rule order, then the open names by pair, then the close
// names, each name before its other spellings: the order the rules try them.
RulePattern rule_pattern(std::string text, bool is_region, size_t region, size_t id,
                         bool word_end) {
    RulePattern pattern;
    pattern.text = std::move(text);
    pattern.is_region = is_region;
    pattern.region = static_cast<uint32_t>(region);
    pattern.id = static_cast<uint32_t>(id);
    pattern.word_end = word_end;
    return pattern;
}

// `branch_prefixes`: by prefix pattern, the branch marks it begins, in rule order.
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
            RulePattern& branch = patterns.emplace_back(
                rule_pattern(folded_if(fold, std::string(prefix)), false, at, 0, false));
            branch.is_branch = true;
        }
        branch_prefixes[at].push_back(static_cast<uint32_t>(m));
    }
    for (size_t r = 0; r < rules.regions.size(); ++r) {
        const RegionRule& region = rules.regions[r];
        // A declared region's START is tried before its MARK, which it may begin.
        if (region.kind == RegionKind::declared) {
            RulePattern& start = patterns.emplace_back(
                rule_pattern(folded_if(fold, region.named_start), true, r, 0, false));
            start.region_kind = region.kind;
            start.is_declared_start = true;
        }
        RulePattern& start =
            patterns.emplace_back(rule_pattern(folded_if(fold, region.start), true, r, 0, false));
        start.region_kind = region.kind;
    }
    for (size_t k = 0; k < 2 * table.n; ++k) {
        size_t id = k < table.n ? 2 * k : 2 * (k - table.n) + 1;
        bool word_end = rules.word_end[id];
        patterns.push_back(
            rule_pattern(folded_if(fold, name_of(table, id)), false, 0, id, word_end));
        for (const std::string& other : rules.spellings[id])
            patterns.push_back(rule_pattern(folded_if(fold, other), false, 0, id, word_end));
    }
    // A declared region's marks match as written.
    for (RulePattern& pattern : patterns)
        pattern.blank_runs = rules.blank_runs && has_blank_run(pattern.text) &&
                             pattern.region_kind != RegionKind::declared;
    return patterns;
}

// z[k]: how many bytes from k on equal the string's first ones (z[0]: all).
std::vector<uint32_t> z_array(const std::string& text) {
    size_t n = text.size();
    std::vector<uint32_t> z(n, 0);
    if (n > 0)
        z[0] = static_cast<uint32_t>(n);
    for (size_t k = 1, left = 0, right = 0; k < n; ++k) {
        size_t length = k < right ? std::min<size_t>(right - k, z[k - left]) : 0;
        while (k + length < n && text[length] == text[k + length])
            ++length;
        z[k] = static_cast<uint32_t>(length);
        if (k + length > right) {
            left = k;
            right = k + length;
        }
    }
    return z;
}

// What the automaton finds of a pattern: all of it, or what comes before its
// first blank that matches a run.
std::string_view found_part(const RulePattern& pattern) {
    std::string_view text = pattern.text;
    return pattern.blank_runs ? text.substr(0, first_blank_run(text)) : text;
}

// The groups of the patterns, each under the shortest string that begins all
// of its members, and the matcher of those strings.
void add_groups(const std::vector<RulePattern>& patterns, const MatcherOptions& options,
                RulesMatcher& rules_matcher) {
    std::vector<size_t> order(patterns.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return found_part(patterns[a]) < found_part(patterns[b]);
    });
    Patterns shortest;
    std::vector<std::vector<size_t>> members;
    for (size_t i : order) {
        std::string_view found = found_part(patterns[i]);
        if (shortest.empty() || !found.starts_with(shortest.back())) {
            shortest.emplace_back(found);
            members.emplace_back();
        }
        members.back().push_back(i);
    }
    for (size_t g = 0; g < members.size(); ++g) {
        std::vector<size_t>& group = members[g];
        std::sort(group.begin(), group.end());
        rules_matcher.groups.emplace_back();
        for (size_t i : group) {
            RulePattern& pattern = rules_matcher.groups.back().emplace_back(patterns[i]);
            size_t prefix = shortest[g].size();
            if (pattern.text.size() > prefix)
                pattern.after_prefix = static_cast<uint8_t>(pattern.text[prefix]);
            if (pattern.text.size() > kWindowedPattern && !pattern.blank_runs) {
                pattern.window = rules_matcher.windows++;
                pattern.z = z_array(pattern.text);
            }
        }
    }
    for (std::string_view text : shortest)
        rules_matcher.group_prefix.push_back(static_cast<uint32_t>(text.size()));
    rules_matcher.matcher = build_matcher(shortest, options);
}

// The marks folded already.
void add_group_branch_marks(const std::vector<std::vector<uint32_t>>& branch_prefixes,
                            RulesMatcher& rules_matcher) {
    const std::vector<BranchMark>& all = rules_matcher.rules.branch_marks;
    for (const std::vector<RulePattern>& group : rules_matcher.groups) {
        std::vector<BranchCandidate>& marks = rules_matcher.group_branch_marks.emplace_back();
        for (const RulePattern& pattern : group) {
            if (!pattern.is_branch)
                continue;
            for (uint32_t m : branch_prefixes[pattern.region])
                marks.push_back({m, static_cast<uint32_t>(branch_mark_prefix(all[m]).size()),
                                 branch_mark_key(all[m])});
        }
        std::sort(
            marks.begin(), marks.end(),
            [](const BranchCandidate& a, const BranchCandidate& b) { return a.mark < b.mark; });
    }
}

// The END's place in tag_ends, added unless it is there; kNoTagEnd for none.
uint32_t tag_end_index(RulesMatcher& rules_matcher, const std::string& end) {
    if (end.empty())
        return kNoTagEnd;
    bool fold = rules_matcher.rules.ignore_case;
    const TagRules& rules = rules_matcher.rules;
    TagEndMark mark =
        tag_end_mark(end, fold, rules.tag_quotes, rules.has_tag_break, rules.tag_break);
    std::vector<TagEndMark>& ends = rules_matcher.tag_ends;
    for (size_t i = 0; i < ends.size(); ++i) {
        if (ends[i].end == mark.end)
            return static_cast<uint32_t>(i);
    }
    ends.push_back(mark);
    return static_cast<uint32_t>(ends.size() - 1);
}

// Under ignore-case the kept text is folded unless an escape, a not-after, an
// only-after or a comment byte is a letter: the filter compares those bytes as they are, and every
// other byte it looks at is the same folded.
TextCase text_case_of(const TagRules& rules) {
    if (!rules.ignore_case)
        return TextCase::as_it_is;
    for (const RegionRule& region : rules.regions) {
        if ((region.has_escape && is_ascii_letter(static_cast<uint8_t>(region.escape))) ||
            (region.has_not_after && is_ascii_letter(static_cast<uint8_t>(region.not_after))) ||
            (region.has_only_after && is_ascii_letter(static_cast<uint8_t>(region.only_after))) ||
            (region.has_comment && is_ascii_letter(static_cast<uint8_t>(region.comment))))
            return TextCase::fold_compared;
    }
    return TextCase::folded;
}

// What the filter keeps of the text: the reach of a decision (a verb's start
// takes a '*' and its delimiter; a word end, the byte after; a comment, its
// marker) and the not-after bytes.
TextKeeping keeping_of(const RulesMatcher& rules_matcher, size_t longest, bool blank_runs) {
    const TagRules& rules = rules_matcher.rules;
    TextKeeping keeping;
    for (const RegionRule& region : rules.regions) {
        longest = std::max(longest, region.end.size());
        if (region.markers)
            longest = std::max(longest, region.start.size() + kSwitchReach + 1);
        if (region.not_in_number)
            longest = std::max(longest, kNumberReach + 1);
        if (region.kind == RegionKind::declared)
            longest = std::max({longest, region.start.size() + kDeclaredReach,
                                region.named_start.size() + kDeclaredName + 1,
                                region.named_end.size() + kDeclaredName + 1});
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
    // A run of blanks may reach past the bytes at hand: its line is kept.
    keeping.held_back = rules_matcher.matcher.trie.needs_reorder || blank_runs;
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
    std::vector<std::vector<uint32_t>> branch_prefixes;
    std::vector<RulePattern> patterns = patterns_in_order(table, rules, branch_prefixes);
    size_t longest = 0;
    bool blank_runs = false;
    for (const RulePattern& pattern : patterns) {
        longest = std::max(longest, pattern.text.size());
        blank_runs = blank_runs || pattern.blank_runs;
    }
    add_groups(patterns, options, rules_matcher);
    for (RegionRule& region : folded.regions) {
        region.end = folded_if(fold, region.end);
        rules_matcher.region_stops.push_back(region_stops_of(region, fold));
    }
    for (BranchMark& mark : folded.branch_marks)
        mark.text = folded_if(fold, mark.text);
    add_group_branch_marks(branch_prefixes, rules_matcher);
    folded.tag_end = folded_if(fold, rules.tag_end);
    folded.self_close_mark = folded_if(fold, rules.self_close_mark);
    folded.self_close_end = folded_if(fold, rules.self_close_end);
    rules_matcher.tag_end = tag_end_index(rules_matcher, rules.tag_end);
    rules_matcher.self_close_end = tag_end_index(rules_matcher, rules.self_close_end);
    rules_matcher.self_closing.assign(rules.self_closing.begin(), rules.self_closing.end());
    rules_matcher.keeping = keeping_of(rules_matcher, longest, blank_runs);
    return rules_matcher;
}
