#include "rules/rules_branches.h"

#include <utility>

#include "rules/rules_file.h"

namespace {

bool is_blank(int byte) {
    return byte == ' ' || byte == '\t';
}

struct BranchKeyword {
    const char* word;
    BranchRole role;
};

constexpr BranchKeyword kBranchKeywords[] = {
    {"branch-start", BranchRole::start},
    {"branch-else", BranchRole::other},
    {"branch-end", BranchRole::end},
    {"branch-false", BranchRole::plainly_false},
};

bool holds_line_end(const std::string& mark) {
    return mark.find_first_of("\r\n") != std::string::npos;
}

// Whether nothing but up to kBranchBlanks blanks stands before `pos` on its line.
bool at_line_start(const RulesText& text, uint64_t pos) {
    uint64_t at = pos;
    for (size_t blanks = 0; at > text.offset; --at, ++blanks) {
        int byte = *bytes_at(text, at - 1);
        if (byte == kLf)
            return blanks <= kBranchBlanks;
        if (!is_blank(byte) || blanks == kBranchBlanks)
            return false;
    }
    return at == text.line_start_before && pos - at <= kBranchBlanks;
}

void clear_result(BranchResult& result) {
    for (uint32_t pair : result.touched) {
        result.closes_before[pair] = 0;
        result.by_pair[pair].clear();
        result.is_touched[pair] = 0;
    }
    result.touched.clear();
    result.opens.clear();
}

uint64_t closes_before(const BranchResult& result, uint32_t pair) {
    return pair < result.closes_before.size() ? result.closes_before[pair] : 0;
}

bool same_result(const BranchResult& a, const BranchResult& b) {
    for (const BranchResult* one : {&a, &b}) {
        for (uint32_t pair : one->touched) {
            if (closes_before(a, pair) != closes_before(b, pair))
                return false;
        }
    }
    size_t i = 0, j = 0;
    while (true) {
        while (i < a.opens.size() && a.opens[i] == kMatchedOpen)
            ++i;
        while (j < b.opens.size() && b.opens[j] == kMatchedOpen)
            ++j;
        if (i == a.opens.size() || j == b.opens.size())
            return i == a.opens.size() && j == b.opens.size();
        if (a.opens[i++] != b.opens[j++])
            return false;
    }
}

uint64_t open_count(const BranchResult& result, uint32_t pair) {
    return pair < result.by_pair.size() ? result.by_pair[pair].size() : 0;
}

// Notes the pairs in which two results differ: by their counts, or where those
// agree and only the order of the opens differs, every pair they touch.
void note_differing_pairs(BranchChains& chains, const BranchResult& a, const BranchResult& b) {
    chains.differing.resize(chains.pairs, 0);
    bool any = false;
    for (const BranchResult* one : {&a, &b}) {
        for (uint32_t pair : one->touched) {
            if (closes_before(a, pair) != closes_before(b, pair) ||
                open_count(a, pair) != open_count(b, pair)) {
                chains.differing[pair] = 1;
                any = true;
            }
        }
    }
    for (const BranchResult* one : {&a, &b}) {
        for (uint32_t pair : one->touched)
            chains.differing[pair] = chains.differing[pair] || !any;
    }
}

// `inner`'s names as if they came in the branch of `outer` under way.
void add_result(BranchResult& outer, const BranchResult& inner, size_t pairs) {
    for (uint32_t pair : inner.touched) {
        for (uint64_t k = 0; k < inner.closes_before[pair]; ++k)
            add_to_result(outer, pairs, pair, true);
    }
    for (uint32_t pair : inner.opens) {
        if (pair != kMatchedOpen)
            add_to_result(outer, pairs, pair, false);
    }
}

void set_counting(BranchChains& chains, BranchLevel& level, bool counting) {
    if (level.counting == counting)
        return;
    level.counting = counting;
    size_t deep = chains.levels.size() > kBranchDepth ? 1 : 0;
    if (counting) {
        chains.uncounted -= 1;
        chains.uncounted_deep -= deep;
    } else {
        chains.uncounted += 1;
        chains.uncounted_deep += deep;
    }
}

void begin_branch(BranchChains& chains, BranchLevel& level, bool plainly_false, NamePlace place) {
    bool counting = !level.found_counting && !plainly_false;
    set_counting(chains, level, counting);
    level.plainly_false = plainly_false;
    level.place = place;
    if (counting) {
        level.found_counting = true;
        level.first_line = place.line;
    }
}

// The innermost chain's branch under way ends: kept when it counts, else
// compared with the one that does, then dropped.
void end_branch(BranchChains& chains) {
    size_t depth = chains.levels.size();
    if (depth > kBranchDepth)
        return;
    BranchLevel& level = chains.levels.back();
    BranchResult& result = chains.under_way[depth - 1];
    if (level.counting) {
        std::swap(result, chains.counted[depth - 1]);
    } else if (level.found_counting && !level.plainly_false &&
               !same_result(result, chains.counted[depth - 1])) {
        chains.warnings.push_back({level.place, level.first_line});
        note_differing_pairs(chains, result, chains.counted[depth - 1]);
    }
    clear_result(result);
}

void start_chain(BranchChains& chains, bool plainly_false, NamePlace place) {
    chains.levels.push_back({false, true, false, place, 0, false});
    size_t depth = chains.levels.size();
    if (depth <= kBranchDepth) {
        if (chains.under_way.size() < depth) {
            chains.under_way.resize(depth);
            chains.counted.resize(depth);
        }
        clear_result(chains.under_way[depth - 1]);
        clear_result(chains.counted[depth - 1]);
    }
    begin_branch(chains, chains.levels.back(), plainly_false, place);
}

// Whether a chain's only branch, of this result, ends at another nesting than
// an empty branch would, in the pairs of the empty-else names alone.
bool lone_branch_differs(const BranchChains& chains, const BranchResult& result) {
    bool differs = false;
    for (uint32_t pair : result.touched) {
        if (closes_before(result, pair) == 0 && open_count(result, pair) == 0)
            continue;
        const std::vector<bool>& names = *chains.empty_else;
        if (2 * size_t{pair} >= names.size() || !names[2 * size_t{pair}])
            return false;
        differs = true;
    }
    return differs;
}

void end_chain(BranchChains& chains) {
    end_branch(chains);
    size_t depth = chains.levels.size();
    const BranchLevel& level = chains.levels.back();
    if (depth <= kBranchDepth && level.found_counting && !level.has_other &&
        lone_branch_differs(chains, chains.counted[depth - 1]))
        note_differing_pairs(chains, chains.counted[depth - 1], BranchResult{});
    if (depth >= 2 && depth <= kBranchDepth && chains.levels.back().found_counting)
        add_result(chains.under_way[depth - 2], chains.counted[depth - 1], chains.pairs);
    set_counting(chains, chains.levels.back(), true);
    chains.levels.pop_back();
}

}  // namespace

bool add_branch_rule(const std::vector<std::string>& words, std::vector<BranchMark>& marks,
                     bool& bad) {
    const BranchKeyword* keyword = nullptr;
    for (const BranchKeyword& known : kBranchKeywords) {
        if (words[0] == known.word)
            keyword = &known;
    }
    if (keyword == nullptr)
        return false;
    size_t from = 1;
    bool line_start =
        words.size() > 1 && words[1] == "line-start" && keyword->role != BranchRole::plainly_false;
    from += line_start;
    bad = from == words.size();
    for (size_t at = from; at < words.size() && !bad; ++at) {
        BranchMark mark{words[at], keyword->role, line_start};
        bad = branch_mark_prefix(mark).empty() || holds_line_end(mark.text);
        marks.push_back(mark);
    }
    return true;
}

std::string_view branch_mark_prefix(const BranchMark& mark) {
    std::string_view text = mark.text;
    return text.substr(0, std::min(text.find(' '), text.find('\t')));
}

size_t branch_mark_reach(const BranchMark& mark) {
    size_t reach = 1;
    for (char byte : mark.text)
        reach += is_blank(static_cast<uint8_t>(byte)) ? kBranchBlanks : 1;
    return reach;
}

uint64_t branch_mark_length(const RulesText& text, TextCase text_case, uint64_t pos,
                            const BranchMark& mark) {
    // Most places are other directives, told apart within a few bytes.
    const uint8_t* start = bytes_at(text, pos);
    const uint8_t* end = start + (text_end(text) - pos);
    const uint8_t* at = start;
    bool fold = text_case == TextCase::fold_compared;
    for (char want : mark.text) {
        if (is_blank(static_cast<uint8_t>(want))) {
            const uint8_t* most = at + std::min<uint64_t>(kBranchBlanks, end - at);
            while (at < most && is_blank(*at))
                ++at;
            continue;
        }
        if (at == end || (fold ? fold_case(*at) : *at) != static_cast<uint8_t>(want))
            return 0;
        ++at;
    }
    if (at < end && !is_line_end(*at) && is_word_byte(*at))
        return 0;
    if (mark.line_start && !at_line_start(text, pos))
        return 0;
    return static_cast<uint64_t>(at - start);
}

BranchKey branch_mark_key(const BranchMark& mark) {
    std::string_view rest = std::string_view(mark.text).substr(branch_mark_prefix(mark).size());
    BranchKey key;
    if (rest.size() < 2 || is_blank(static_cast<uint8_t>(rest[1])))
        return key;
    key.first = static_cast<uint8_t>(rest[1]);
    if (rest.size() > 2 && !is_blank(static_cast<uint8_t>(rest[2])))
        key.second = static_cast<uint8_t>(rest[2]);
    return key;
}

BranchKey branch_text_key(const RulesText& text, TextCase text_case, uint64_t pos, size_t prefix) {
    const uint8_t* at = bytes_at(text, pos) + std::min<uint64_t>(prefix, text_end(text) - pos);
    const uint8_t* end = bytes_at(text, pos) + (text_end(text) - pos);
    const uint8_t* most = at + std::min<uint64_t>(kBranchBlanks, end - at);
    while (at < most && is_blank(*at))
        ++at;
    bool fold = text_case == TextCase::fold_compared;
    BranchKey key;
    if (at < end)
        key.first = fold ? fold_case(*at) : *at;
    if (at + 1 < end)
        key.second = fold ? fold_case(at[1]) : at[1];
    return key;
}

void add_to_result(BranchResult& result, size_t pairs, uint32_t pair, bool is_close) {
    if (result.by_pair.size() != pairs) {
        result.by_pair.assign(pairs, {});
        result.closes_before.assign(pairs, 0);
        result.is_touched.assign(pairs, 0);
        result.touched.clear();
        result.opens.clear();
    }
    if (!result.is_touched[pair]) {
        result.is_touched[pair] = 1;
        result.touched.push_back(pair);
    }
    std::vector<uint64_t>& own = result.by_pair[pair];
    if (!is_close) {
        own.push_back(result.opens.size());
        result.opens.push_back(pair);
        return;
    }
    if (own.empty()) {
        ++result.closes_before[pair];
        return;
    }
    result.opens[own.back()] = kMatchedOpen;
    own.pop_back();
    while (!result.opens.empty() && result.opens.back() == kMatchedOpen)
        result.opens.pop_back();
}

void start_branch_chains(BranchChains& chains, size_t pairs, const std::vector<bool>& empty_else) {
    chains.pairs = pairs;
    chains.empty_else = &empty_else;
    chains.levels.clear();
    chains.uncounted = chains.uncounted_deep = 0;
    chains.warnings.clear();
    chains.differing.clear();
}

void take_branch_mark(BranchChains& chains, BranchRole role, bool plainly_false, NamePlace place) {
    if (role == BranchRole::start) {
        start_chain(chains, plainly_false, place);
        return;
    }
    if (chains.levels.empty())
        return;
    if (role == BranchRole::end) {
        end_chain(chains);
        return;
    }
    chains.levels.back().has_other = true;
    end_branch(chains);
    begin_branch(chains, chains.levels.back(), plainly_false, place);
}

void finish_branch_chains(BranchChains& chains) {
    std::stable_sort(chains.warnings.begin(), chains.warnings.end(),
                     [](const BranchWarning& a, const BranchWarning& b) {
                         return a.place.line != b.place.line ? a.place.line < b.place.line
                                                             : a.place.column < b.place.column;
                     });
}
