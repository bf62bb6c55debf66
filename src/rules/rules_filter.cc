#include "rules/rules_filter.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "text/text_bytes.h"

namespace {

constexpr size_t kKeptTextCapacity = size_t{4} << 20;

uint64_t text_end(const RulesText& text) {
    return text.offset + text.bytes.size();
}

// The bytes from `pos` to the end of the text at hand; `pos` is never before it.
const uint8_t* bytes_at(const RulesText& text, uint64_t pos) {
    return reinterpret_cast<const uint8_t*>(text.bytes.data()) + (pos - text.offset);
}

// The byte at `pos`, or -1 past the text's end.
int byte_at(const RulesText& text, uint64_t pos) {
    return pos < text_end(text) ? *bytes_at(text, pos) : -1;
}

bool is_line_end(int byte) {
    return byte == kLf || byte == kCr;
}

// Whether `folded` stands at `pos`, its first `known` bytes known to.
bool matches_from(const RulesFilterState& state, uint64_t pos, const std::string& folded,
                  size_t known) {
    const RulesText& text = *state.text;
    if (text_end(text) - pos < folded.size())
        return false;
    const uint8_t* at = bytes_at(text, pos);
    const char* want = folded.data();
    // Marks are a few bytes: a call of memcmp would cost more than the loop.
    if (!state.rm->rules.ignore_case || state.rm->folded_text) {
        for (size_t i = known; i < folded.size(); ++i) {
            if (at[i] != static_cast<uint8_t>(want[i]))
                return false;
        }
        return true;
    }
    for (size_t i = known; i < folded.size(); ++i) {
        if (fold_case(at[i]) != static_cast<uint8_t>(folded[i]))
            return false;
    }
    return true;
}

bool matches_at(const RulesFilterState& state, uint64_t pos, const std::string& folded) {
    return matches_from(state, pos, folded, 0);
}

// Enough bytes after `pos` are at hand to decide there, or there will be none.
bool ready_at(const RulesFilterState& state, uint64_t pos) {
    return state.text->final || pos + state.rm->reach <= text_end(*state.text);
}

// Whether an odd run of `byte` stands right before `pos`.
bool after_odd_run(const RulesFilterState& state, uint64_t pos, uint8_t byte) {
    const RulesText& text = *state.text;
    uint64_t run = 0;
    while (pos > text.offset && *bytes_at(text, pos - 1) == byte) {
        --pos;
        ++run;
    }
    if (pos == text.offset) {
        const std::vector<uint8_t>& bytes = state.rm->not_after_bytes;
        run += text.runs_before[std::find(bytes.begin(), bytes.end(), byte) - bytes.begin()];
    }
    return run % 2 == 1;
}

// The length the region's start takes at `pos`, its `length` bytes matched
// there; 0 when it starts nothing.
uint64_t region_start_length(const RulesFilterState& state, uint64_t pos, size_t length,
                             const RegionRule& region, uint8_t& delimiter) {
    if (region.has_not_after && after_odd_run(state, pos, static_cast<uint8_t>(region.not_after)))
        return 0;
    if (region.kind != RegionKind::verb)
        return length;
    uint64_t q = pos + length;
    int byte = byte_at(*state.text, q);
    if (byte == '*')
        byte = byte_at(*state.text, ++q);
    bool letter = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z');
    if (byte < 0 || is_line_end(byte) || letter || byte == ' ' || byte == '\t')
        return 0;
    delimiter = static_cast<uint8_t>(byte);
    return q + 1 - pos;
}

void open_region(RulesFilterState& state, const RegionRule& rule, const StopBytes& stops,
                 uint64_t next, uint64_t line, uint64_t column, uint8_t delimiter) {
    OpenRegion& region = state.region;
    region.rule = &rule;
    region.stops = &stops;
    if (rule.kind == RegionKind::verb) {
        region.verb_stops = StopBytes{};
        add_stop(region.verb_stops, kLf);
        add_stop(region.verb_stops, kCr);
        add_stop(region.verb_stops, delimiter);
        region.stops = &region.verb_stops;
    }
    region.next = next;
    region.delimiter = delimiter;
    region.cut = false;
    region.escaped_end = false;
    region.line = line;
    region.column = column;
}

void close_region(RulesFilterState& state, uint64_t end) {
    state.region.rule = nullptr;
    state.resume = end;
}

// One step of the open region at a byte it stops at; false when that needs bytes
// not at hand yet.
bool region_step(RulesFilterState& state, uint8_t byte) {
    OpenRegion& region = state.region;
    const RegionRule& rule = *region.rule;
    uint64_t q = region.next;
    if (byte == kLf) {
        bool continues =
            rule.kind == RegionKind::to_end_mark && (!rule.one_line || region.escaped_end);
        region.cut = region.escaped_end = false;
        if (!continues)
            close_region(state, q + 1);
        ++region.next;
        return true;
    }
    if (byte == kCr) {
        region.cut = true;
        ++region.next;
        return true;
    }
    if (rule.kind == RegionKind::verb && byte == region.delimiter) {
        close_region(state, q + 1);
        return true;
    }
    if (rule.kind != RegionKind::to_end_mark) {
        ++region.next;
        return true;
    }
    const RulesText& text = *state.text;
    if (rule.has_escape && byte == static_cast<uint8_t>(rule.escape)) {
        if (!text.final && q + 2 > text_end(text))
            return false;
        int after = byte_at(text, q + 1);
        region.escaped_end = after < 0 || is_line_end(after);
        region.next = region.escaped_end ? q + 1 : q + 2;
        return true;
    }
    if (!text.final && q + rule.end.size() > text_end(text))
        return false;
    if (matches_at(state, q, rule.end)) {
        close_region(state, q + rule.end.size());
        return true;
    }
    ++region.next;
    return true;
}

// Steps the open region over the bytes before `limit`, as far as they are at
// hand. Hot: a change needs a benchmark run.
void advance_region(RulesFilterState& state, uint64_t limit) {
    OpenRegion& region = state.region;
    const RulesText& text = *state.text;
    limit = std::min(limit, text_end(text));
    while (region.rule != nullptr && region.next < limit) {
        const uint8_t* at = bytes_at(text, region.next);
        size_t span = limit - region.next;
        const StopBytes& stops = region.cut ? state.rm->line_end_stops : *region.stops;
        size_t i = skip_to_stop(at, span, stops);
        region.next += i;
        if (i == span)
            break;
        if (!region_step(state, at[i]))
            break;
    }
}

// Searches for the self-closing end mark from `search.next` on, over the lines'
// text, up to `limit`; true when one starts at search.next.
bool find_self_close_end(const RulesFilterState& state, EndSearch& search, uint64_t limit) {
    const RulesText& text = *state.text;
    const std::string& mark = state.rm->rules.self_close_end;
    uint64_t end = text_end(text);
    limit = std::min(limit, end);
    uint64_t& next = search.next;
    while (next < limit) {
        const uint8_t* at = bytes_at(text, next);
        const StopBytes& stops = search.cut ? state.rm->line_end_stops : state.rm->self_close_stops;
        size_t span = limit - next;
        size_t i = skip_to_stop(at, span, stops);
        next += i;
        if (i == span)
            break;
        if (at[i] == kLf || at[i] == kCr) {
            search.cut = at[i] == kCr;
            ++next;
            continue;
        }
        if (!text.final && next + mark.size() > end)
            return false;
        if (matches_at(state, next, mark))
            return true;
        ++next;
    }
    return false;
}

// Whether the tag of a name ending at `name_end` ends in the mark, its end mark
// starting at `mark_start`.
bool closes_itself(const RulesFilterState& state, uint64_t name_end, uint64_t mark_start) {
    const TagRules& rules = state.rm->rules;
    uint64_t tag_end = mark_start + rules.self_close_end.size();
    if (tag_end < name_end + rules.self_close_mark.size())
        return false;
    return matches_at(state, tag_end - rules.self_close_mark.size(), rules.self_close_mark);
}

// The column of a kept name, from 1, while its bytes are at hand. Names are
// kept in order of their starts: on the line of the name kept before, the
// line's start is known; on a later one, it is the last line end before the
// name, no further back than that name.
uint64_t column_of(RulesFilterState& state, const FoundName& name) {
    const RulesText& text = *state.text;
    if (name.line != state.column_line) {
        uint64_t from = std::max(state.column_from, text.offset);
        uint64_t line_start = text.line_start_before;
        const void* lf = memrchr(bytes_at(text, from), '\n', name.start - from);
        if (lf != nullptr)
            line_start = text.offset +
                         static_cast<uint64_t>(static_cast<const char*>(lf) - text.bytes.data()) +
                         1;
        state.column_line = name.line;
        state.column_line_start = line_start;
    }
    state.column_from = name.start;
    return name.start - state.column_line_start + 1;
}

void hand_on(RulesFilterState& state, const FoundName& name, uint64_t column) {
    state.kept.push_back(name);
    state.kept_columns.push_back(column);
}

// Moves the search of a held self-closing name on. `covered` is what the search
// of the name before found: no end mark from its name's end up to its place,
// where it stands (and found one, or not). A search that reaches that stretch
// goes on from its end. Sets `found` when the name's first end mark is known.
void advance_held(const RulesFilterState& state, HeldName& held, EndSearch& covered) {
    if (covered.valid && held.search.next < covered.from) {
        held.search.found = find_self_close_end(state, held.search, covered.from);
        if (held.search.found)
            return;
    }
    if (covered.valid && held.search.next >= covered.from && held.search.next <= covered.next) {
        held.search = covered;
    } else {
        held.search.found = find_self_close_end(state, held.search, UINT64_MAX);
    }
    covered = held.search;
    covered.from = held.name_end;
    covered.valid = true;
}

// The search moved on, and the tag judged while its bytes are at hand.
void search_held(const RulesFilterState& state, HeldName& held, EndSearch& covered) {
    advance_held(state, held, covered);
    if (held.search.found)
        held.closes = closes_itself(state, held.name_end, held.search.next);
}

// Hands the held names on in order, each self-closing one once its tag's end is
// found (or the text ended without one); the searches of all move on.
void settle_held(RulesFilterState& state) {
    EndSearch covered;
    for (HeldName& held : state.held) {
        if (held.awaiting && !held.search.found)
            search_held(state, held, covered);
    }
    while (!state.held.empty()) {
        HeldName& head = state.held.front();
        if (head.awaiting && !head.search.found && !state.text->final)
            return;
        if (!(head.awaiting && head.closes))
            hand_on(state, head.name, head.column);
        state.held.pop_front();
    }
}

// Keeps the name, or holds it while a self-closing tag's end is searched;
// returns where that end starts when it is found at once, else kNotFound.
constexpr uint64_t kNotFound = UINT64_MAX;

uint64_t keep_name(RulesFilterState& state, const FoundName& name, uint64_t column,
                   uint64_t name_end) {
    bool awaits = state.rm->self_closing[name.id];
    if (!awaits && state.held.empty()) {
        hand_on(state, name, column);
        return kNotFound;
    }
    HeldName held{name, name_end, awaits, {}, false, column};
    held.search.next = name_end;
    if (awaits && state.held.empty()) {
        // Most tags end in the bytes at hand: decided here, nothing held.
        held.search.found = find_self_close_end(state, held.search, UINT64_MAX);
        if (held.search.found) {
            if (!closes_itself(state, name_end, held.search.next))
                hand_on(state, name, column);
            return held.search.next;
        }
    }
    state.held.push_back(held);
    return kNotFound;
}

bool ends_word(const RulesText& text, uint64_t pos) {
    int byte = byte_at(text, pos);
    return byte < 0 || is_line_end(byte) || !is_word_byte(static_cast<uint8_t>(byte));
}

// What the rules make of the place of `hint`: a region start, a name or
// nothing. False when the bytes there are not all at hand yet.
bool take_hint(RulesFilterState& state, const FoundName& hint) {
    uint64_t pos = hint.start;
    if (!ready_at(state, pos))
        return false;
    if (state.region.rule != nullptr) {
        advance_region(state, pos);
        if (state.region.rule != nullptr)
            return true;
    }
    if (pos < state.resume)
        return true;
    const RulesMatcher& rm = *state.rm;
    size_t known = rm.group_prefix[hint.id];
    // The byte after the shared start rules out most of a group at once.
    int next = byte_at(*state.text, pos + known);
    if (next >= 0 && rm.rules.ignore_case && !rm.folded_text)
        next = fold_case(static_cast<uint8_t>(next));
    for (const RulePattern& pattern : rm.groups[hint.id]) {
        if (pattern.text.size() > known && static_cast<uint8_t>(pattern.text[known]) != next)
            continue;
        if (!matches_from(state, pos, pattern.text, known))
            continue;
        uint64_t after = pos + pattern.text.size();
        if (pattern.is_region) {
            const RegionRule& rule = rm.rules.regions[pattern.region];
            uint8_t delimiter = 0;
            uint64_t length = region_start_length(state, pos, pattern.text.size(), rule, delimiter);
            if (length == 0)
                continue;
            open_region(state, rule, rm.region_stops[pattern.region], pos + length, hint.line,
                        column_of(state, hint), delimiter);
            return true;
        }
        if (pattern.word_end && !ends_word(*state.text, after))
            continue;
        FoundName name{pattern.id, hint.line, pos};
        uint64_t column = column_of(state, name);
        uint64_t tag_close = keep_name(state, name, column, after);
        // The same search as the tag's: its end is known already.
        if (tag_close != kNotFound && rm.tag_end_is_self_close_end)
            state.resume = tag_close + rm.tag_region.end.size();
        else if (!rm.tag_region.end.empty())
            open_region(state, rm.tag_region, rm.region_stops.back(), after, hint.line, column, 0);
        else
            state.resume = pos + 1;
        return true;
    }
    return true;
}

}  // namespace

void start_rules_filter(RulesFilterState& state, const RulesMatcher& rm, const RulesText& text) {
    state.rm = &rm;
    state.text = &text;
    state.deferred.clear();
    state.resume = 0;
    state.region = OpenRegion{};
    state.held.clear();
    state.kept.clear();
    state.kept_columns.clear();
    state.column_from = state.column_line_start = state.column_line = 0;
    state.ended_in_region = false;
    state.region_line = state.region_column = 0;
}

void filter_hints(RulesFilterState& state, const std::vector<FoundName>& hints) {
    std::vector<FoundName> waiting;
    waiting.swap(state.deferred);
    for (const std::vector<FoundName>* list : {&std::as_const(waiting), &hints}) {
        for (const FoundName& hint : *list) {
            if (!state.deferred.empty() || !take_hint(state, hint))
                state.deferred.push_back(hint);
        }
    }
    uint64_t end = text_end(*state.text);
    advance_region(state, state.deferred.empty() ? end : state.deferred.front().start);
    if (!state.held.empty())
        settle_held(state);
}

void finish_rules_filter(RulesFilterState& state) {
    const OpenRegion& region = state.region;
    if (region.rule == nullptr)
        return;
    const RulesText& text = *state.text;
    uint64_t end = text_end(text);
    bool line_ended = end == 0 || byte_at(text, end - 1) == kLf;
    const RegionRule& rule = *region.rule;
    state.ended_in_region = line_ended || (rule.kind == RegionKind::to_end_mark &&
                                           (!rule.one_line || region.escaped_end));
    state.region_line = region.line;
    state.region_column = region.column;
}

void start_rules_text(RulesText& text, const RulesMatcher& rm) {
    // A long line kept for the last text need not stay.
    if (text.bytes.capacity() > kKeptTextCapacity)
        text.bytes = std::string();
    text.bytes.clear();
    text.offset = 0;
    text.line_start_before = 0;
    text.runs_before.assign(rm.not_after_bytes.size(), 0);
    text.line_start = 0;
    text.final = false;
}

// Drops the bytes before `base`, keeping the runs of the not-after bytes that
// end there.
static void drop_before(RulesText& text, const RulesMatcher& rm, uint64_t base) {
    const uint8_t* data = reinterpret_cast<const uint8_t*>(text.bytes.data());
    size_t dropped = base - text.offset;
    for (size_t k = 0; k < rm.not_after_bytes.size(); ++k) {
        size_t at = dropped;
        while (at > 0 && data[at - 1] == rm.not_after_bytes[k])
            --at;
        text.runs_before[k] = (at == 0 ? text.runs_before[k] : 0) + (dropped - at);
    }
    const void* lf = memrchr(data, '\n', dropped);
    if (lf != nullptr)
        text.line_start_before =
            text.offset + static_cast<uint64_t>(static_cast<const uint8_t*>(lf) - data) + 1;
    text.bytes.erase(0, dropped);
    text.offset = base;
}

static void fold_into(std::string_view raw, uint8_t* to) {
    const uint8_t* from = reinterpret_cast<const uint8_t*>(raw.data());
    for (size_t i = 0; i < raw.size(); ++i) {
        uint8_t byte = from[i];
        to[i] = static_cast<uint8_t>(byte + (static_cast<uint8_t>(byte - 'A') < 26 ? 32 : 0));
    }
}

// Where the line in progress at the end of `raw` starts, if it starts there.
static void find_line_start(RulesText& text, std::string_view raw, uint64_t offset) {
    for (size_t i = raw.size(); i > 0; --i) {
        if (is_line_end(static_cast<uint8_t>(raw[i - 1]))) {
            text.line_start = offset + i;
            return;
        }
    }
}

std::string_view add_chunk(RulesText& text, const RulesMatcher& rm, std::string_view raw) {
    uint64_t end = text_end(text);
    uint64_t base = end - std::min<uint64_t>(end - text.offset, 2 * rm.reach + 16);
    // Hints the matcher holds back come out by their line's end at the latest.
    bool held_back = rm.matcher.trie.needs_reorder;
    if (held_back)
        base = std::min(base, std::max(text.line_start, text.offset));
    // Dropping costs a move of what stays: only once what goes is as much.
    if (base - text.offset >= end - base)
        drop_before(text, rm, base);
    size_t at = text.bytes.size();
    if (rm.folded_text) {
        text.bytes.resize(at + raw.size());
        fold_into(raw, reinterpret_cast<uint8_t*>(text.bytes.data()) + at);
    } else {
        text.bytes.append(raw);
    }
    if (held_back)
        find_line_start(text, raw, end);
    if (!rm.rules.ignore_case || rm.folded_text)
        return std::string_view(text.bytes).substr(at);
    text.folded.resize(raw.size());
    fold_into(raw, reinterpret_cast<uint8_t*>(text.folded.data()));
    return text.folded;
}
