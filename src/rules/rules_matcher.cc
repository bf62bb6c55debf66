#include "rules/rules_matcher.h"

#include <algorithm>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "text/text_bytes.h"

static bool is_letter(uint8_t byte) {
    return fold_case(byte) >= 'a' && fold_case(byte) <= 'z';
}

static std::string folded_text(std::string_view text, bool fold) {
    std::string out(text);
    for (char& byte : out)
        byte = static_cast<char>(folded_byte(fold, static_cast<uint8_t>(byte)));
    return out;
}

// Region starts in rule order, then the open names by pair, then the close
// names, each name before its other spellings: the order the rules try them.
static std::vector<RulePattern> patterns_in_order(const TagTable& table, const TagRules& rules) {
    std::vector<RulePattern> patterns;
    bool fold = rules.ignore_case;
    for (size_t r = 0; r < rules.regions.size(); ++r)
        patterns.push_back(
            {folded_text(rules.regions[r].start, fold), true, static_cast<uint32_t>(r), 0, false});
    for (size_t k = 0; k < 2 * table.n; ++k) {
        size_t id = k < table.n ? 2 * k : 2 * (k - table.n) + 1;
        bool word_end = rules.word_end[id];
        patterns.push_back(
            {folded_text(name_of(table, id), fold), false, 0, static_cast<uint32_t>(id), word_end});
        for (const std::string& other : rules.spellings[id])
            patterns.push_back(
                {folded_text(other, fold), false, 0, static_cast<uint32_t>(id), word_end});
    }
    return patterns;
}

void add_stop(StopBytes& stops, uint8_t byte) {
    if (stops.is_stop[byte])
        return;
    stops.is_stop[byte] = true;
    if (stops.few_count == stops.few.size())
        stops.many = true;
    else
        stops.few[stops.few_count++] = byte;
}

size_t skip_to_stop(const uint8_t* at, size_t span, const StopBytes& stops) {
    // Most stops come within a few bytes: those are looked at one by one.
    size_t near = std::min<size_t>(span, 8);
    size_t i = 0;
    while (i < near && !stops.is_stop[at[i]])
        ++i;
    if (i < near)
        return i;
#if defined(__SSE2__)
    if (!stops.many && stops.few_count > 0) {
        __m128i b[4];
        for (size_t k = 0; k < 4; ++k)
            b[k] = _mm_set1_epi8(static_cast<char>(stops.few[k < stops.few_count ? k : 0]));
        for (; i + 16 <= span; i += 16) {
            __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + i));
            __m128i hit =
                _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, b[0]), _mm_cmpeq_epi8(v, b[1])),
                             _mm_or_si128(_mm_cmpeq_epi8(v, b[2]), _mm_cmpeq_epi8(v, b[3])));
            int mask = _mm_movemask_epi8(hit);
            if (mask != 0)
                return i + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
        }
    }
#endif
    while (i < span && !stops.is_stop[at[i]])
        ++i;
    return i;
}

static StopBytes stops_of(const RegionRule& region, bool fold) {
    StopBytes stops;
    add_stop(stops, kLf);
    add_stop(stops, kCr);
    if (region.has_escape)
        add_stop(stops, static_cast<uint8_t>(region.escape));
    if (region.kind == RegionKind::to_end_mark && !region.end.empty()) {
        uint8_t first = static_cast<uint8_t>(region.end[0]);
        add_stop(stops, first);
        if (fold) {
            for (unsigned byte = 0; byte < 256; ++byte) {
                if (fold_case(static_cast<uint8_t>(byte)) == fold_case(first))
                    add_stop(stops, static_cast<uint8_t>(byte));
            }
        }
    }
    return stops;
}

static void add_groups(const std::vector<RulePattern>& patterns, const MatcherOptions& options,
                       RulesMatcher& rm) {
    std::vector<size_t> order(patterns.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return patterns[a].text < patterns[b].text; });
    std::vector<std::string> shortest;
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
        rm.groups.emplace_back();
        for (size_t i : group)
            rm.groups.back().push_back(patterns[i]);
    }
    for (const std::string& text : shortest)
        rm.group_prefix.push_back(static_cast<uint32_t>(text.size()));
    rm.matcher = build_matcher(Patterns(shortest.begin(), shortest.end()), options);
}

RulesMatcher build_rules_matcher(const TagTable& table, const TagRules& rules,
                                 const MatcherOptions& options) {
    RulesMatcher rm;
    rm.rules = rules;
    bool fold = rules.ignore_case;
    std::vector<RulePattern> patterns = patterns_in_order(table, rules);
    size_t longest = 0;
    for (const RulePattern& pattern : patterns)
        longest = std::max(longest, pattern.text.size());
    add_groups(patterns, options, rm);
    rm.tag_region.end = rules.tag_end;
    for (RegionRule& region : rm.rules.regions) {
        region.end = folded_text(region.end, fold);
        rm.region_stops.push_back(stops_of(region, fold));
        longest = std::max(longest, region.end.size());
        if (region.has_not_after &&
            std::find(rm.not_after_bytes.begin(), rm.not_after_bytes.end(),
                      static_cast<uint8_t>(region.not_after)) == rm.not_after_bytes.end())
            rm.not_after_bytes.push_back(static_cast<uint8_t>(region.not_after));
    }
    rm.tag_region.end = folded_text(rules.tag_end, fold);
    rm.region_stops.push_back(stops_of(rm.tag_region, fold));
    rm.rules.self_close_mark = folded_text(rules.self_close_mark, fold);
    rm.rules.self_close_end = folded_text(rules.self_close_end, fold);
    RegionRule self_close_end;
    self_close_end.end = rm.rules.self_close_end;
    rm.self_close_stops = stops_of(self_close_end, fold);
    rm.folded_text = fold;
    for (const RegionRule& region : rules.regions) {
        if ((region.has_escape && is_letter(static_cast<uint8_t>(region.escape))) ||
            (region.has_not_after && is_letter(static_cast<uint8_t>(region.not_after))))
            rm.folded_text = false;
    }
    rm.self_closing.assign(rules.self_closing.begin(), rules.self_closing.end());
    rm.tag_end_is_self_close_end =
        !rm.tag_region.end.empty() && rm.tag_region.end == rm.rules.self_close_end;
    add_stop(rm.line_end_stops, kLf);
    longest = std::max(
        {longest, rules.tag_end.size(), rules.self_close_mark.size(), rules.self_close_end.size()});
    // A verb's start takes a '*' and its delimiter; a word end, the byte after.
    rm.reach = longest + 2;
    return rm;
}
