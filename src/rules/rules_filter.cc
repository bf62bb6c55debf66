#include "rules/rules_filter.h"

#include <cstring>
#include <utility>

#include "rules/blank_runs.h"

namespace {

// Enough bytes after `pos` are at hand to decide there, or there will be none.
bool ready_at(const RulesFilterState& state, uint64_t pos) {
    return state.text->source_ended ||
           pos + state.rules_matcher->keeping.reach <= text_end(*state.text);
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

// Judges the tag of a held name whose END is found, while its bytes are at hand.
void judge_tag(const RulesFilterState& state, HeldName& held) {
    const RulesMatcher& rules_matcher = *state.rules_matcher;
    held.closes = closes_itself(*state.text, rules_matcher.keeping.text_case,
                                rules_matcher.rules.self_close_mark, held.name_end,
                                rules_matcher.tag_ends[held.search.mark], held.search.next);
}

// Moves the search of an awaiting held name on up to `limit`; true once its END
// is found, and its tag judged.
bool search_held(const RulesFilterState& state, HeldName& held, uint64_t limit) {
    const RulesMatcher& rules_matcher = *state.rules_matcher;
    if (!advance_tag_end(held.search, rules_matcher.tag_ends[held.search.mark], *state.text,
                         rules_matcher.keeping.text_case, limit))
        return false;
    judge_tag(state, held);
    return true;
}

// The searches of `held` and of the awaiting name held before it, moved to one
// place: where they stand there in the same state, `held` runs the other's
// course from then on, and settle_held copies it.
void fall_in_step(const RulesFilterState& state, HeldName& held, HeldName& before) {
    if (before.search.found)
        return;
    if (before.search.next < held.search.next)
        search_held(state, before, held.search.next);
    else if (held.search.next < before.search.next)
        search_held(state, held, before.search.next);
    held.in_step = !held.search.found && same_course(before.search, held.search);
}

void hold_name(RulesFilterState& state, const HeldName& held) {
    state.held.push_back(held);
    HeldName& added = state.held.back();
    if (!added.awaiting)
        return;
    if (state.last_awaiting != nullptr)
        fall_in_step(state, added, *state.last_awaiting);
    state.last_awaiting = &added;
}

// Hands the held names on in order, each self-closing one once its tag's end is
// found (or the text ended without one); the searches of all move on up to
// `limit`. No later hint starts before it, so that a name held later meets the
// search of the one before it where that one's state is known, not behind it.
void settle_held(RulesFilterState& state, uint64_t limit) {
    const HeldName* before = nullptr;
    for (HeldName& held : state.held) {
        if (!held.awaiting)
            continue;
        if (!held.search.found && held.in_step && before != nullptr) {
            held.search = before->search;
            if (held.search.found)
                judge_tag(state, held);
        } else if (!held.search.found) {
            search_held(state, held, limit);
        }
        before = &held;
    }
    while (!state.held.empty()) {
        HeldName& head = state.held.front();
        if (head.awaiting && !head.search.found && !state.text->source_ended)
            return;
        if (!(head.awaiting && head.closes))
            hand_on(state, head.name, head.column);
        if (state.last_awaiting == &head)
            state.last_awaiting = nullptr;
        state.held.pop_front();
    }
}

// Keeps the name, or holds it while a self-closing tag's end is searched;
// returns that search (its mark none for a name that is not self-closing).
TagEndSearch keep_name(RulesFilterState& state, const FoundName& name, uint64_t column,
                       uint64_t name_end) {
    const RulesMatcher& rules_matcher = *state.rules_matcher;
    bool awaits = rules_matcher.self_closing[name.id];
    if (!awaits && state.held.empty()) {
        hand_on(state, name, column);
        return {};
    }
    uint32_t mark = awaits ? rules_matcher.self_close_end : kNoTagEnd;
    HeldName held{name, name_end, column, awaits, false, false, start_tag_end(mark, name_end)};
    if (awaits && state.held.empty()) {
        // Most tags end in the bytes at hand: decided here, nothing held. Else
        // the name is held with its search where it starts, behind the names
        // that come after it, which meet it there.
        HeldName tried = held;
        bool found = search_held(state, tried, UINT64_MAX);
        if (found && !tried.closes)
            hand_on(state, name, column);
        if (!found)
            hold_name(state, held);
        return tried.search;
    }
    hold_name(state, held);
    return state.held.back().search;
}

void close_tag(RulesFilterState& state) {
    const TagEndSearch& search = state.tag.search;
    state.tag.open = false;
    state.resume = search.next + state.rules_matcher->tag_ends[search.mark].end.size();
}

// Moves the open region or tag on over the bytes before `limit`, and a
// directive's line over those before `mask_limit` (no further than `limit`).
void advance_cover(RulesFilterState& state, uint64_t limit, uint64_t mask_limit = UINT64_MAX) {
    const RulesMatcher& rules_matcher = *state.rules_matcher;
    TextCase text_case = rules_matcher.keeping.text_case;
    if (state.region.rule != nullptr) {
        advance_region(state.region, *state.text, text_case, limit);
        if (state.region.rule == nullptr) {
            const OpenRegion& region = state.region;
            state.resume = region.after;
            // The directive's line goes on after the region; the LF that
            // ended the region ends the line for the directive too.
            if (state.mask.rule != nullptr)
                state.mask.next = region.after - (region.ended_at_line_end ? 1 : 0);
        }
    } else if (state.tag.open) {
        TagEndSearch& search = state.tag.search;
        if (advance_tag_end(search, rules_matcher.tag_ends[search.mark], *state.text, text_case,
                            limit))
            close_tag(state);
    }
    if (state.mask.rule != nullptr && state.region.rule == nullptr)
        advance_name_mask(state.mask, *state.text, std::min(limit, mask_limit));
}

bool ends_word(const RulesText& text, uint64_t pos) {
    int byte = byte_at(text, pos);
    return byte < 0 || is_line_end(byte) || !is_word_byte(static_cast<uint8_t>(byte));
}

// The name of `pattern` at the hint's place, unless its word end fails: kept,
// and its tag opened under tag-end.
bool take_name_at(RulesFilterState& state, const RulesHint& hint, const RulePattern& pattern,
                  uint64_t length) {
    uint64_t after = hint.start + length;
    if (pattern.word_end && !ends_word(*state.text, after))
        return false;
    FoundName name{pattern.id, hint.line, hint.start};
    uint64_t column = column_of(state, name);
    TagEndSearch self_close = keep_name(state, name, column, after);
    const RulesMatcher& rules_matcher = *state.rules_matcher;
    if (rules_matcher.tag_end == kNoTagEnd) {
        state.resume = hint.start + 1;
        return true;
    }
    // Where the tag's END is the self-closing one, the name's search is the tag's.
    state.tag = OpenTag{true,
                        self_close.mark == rules_matcher.tag_end
                            ? self_close
                            : start_tag_end(rules_matcher.tag_end, after),
                        hint.line, column};
    if (state.tag.search.found)
        close_tag(state);
    return true;
}

uint64_t region_length_at(const RulesFilterState& state, const RulesHint& hint,
                          const RulePattern& pattern, uint64_t matched, uint8_t& delimiter) {
    const RulesMatcher& rules_matcher = *state.rules_matcher;
    return region_start_length(*state.text, rules_matcher.keeping, hint.start, matched,
                               rules_matcher.rules.regions[pattern.region], delimiter);
}

// The region of `pattern` started at the hint's place, unless not-after or a
// verb's delimiter rules it out.
bool start_region_at(RulesFilterState& state, const RulesHint& hint, const RulePattern& pattern,
                     uint64_t matched) {
    const RulesMatcher& rules_matcher = *state.rules_matcher;
    const RegionRule& rule = rules_matcher.rules.regions[pattern.region];
    uint8_t delimiter = 0;
    uint64_t length = region_length_at(state, hint, pattern, matched, delimiter);
    if (length == 0)
        return false;
    open_region(state.region, rule, rules_matcher.region_stops[pattern.region], hint.start + length,
                hint.line, column_of(state, hint), delimiter);
    return true;
}

bool is_directive(const RulesMatcher& rules_matcher, const RulePattern& pattern) {
    return rules_matcher.rules.regions[pattern.region].kind == RegionKind::directive;
}

// A directive's line started at the hint's place (within one, its START is
// passed over), unless not-after or a word end rules it out.
bool start_directive_at(RulesFilterState& state, const RulesHint& hint, const RulePattern& pattern,
                        uint64_t matched) {
    uint8_t delimiter = 0;
    uint64_t length = region_length_at(state, hint, pattern, matched, delimiter);
    if (length == 0)
        return false;
    state.resume = hint.start + length;
    if (state.mask.rule == nullptr)
        start_name_mask(state.mask, state.rules_matcher->rules.regions[pattern.region],
                        state.resume);
    else
        state.mask.next = std::max(state.mask.next, state.resume);
    return true;
}

bool is_text_end(const RulesMatcher& rules_matcher, const RulePattern& pattern) {
    return rules_matcher.rules.regions[pattern.region].kind == RegionKind::to_text_end;
}

// What the rules make of the place of `hint`: a region start, a name or
// nothing. False when the bytes there are not all at hand yet.
bool take_hint(RulesFilterState& state, const RulesHint& hint) {
    uint64_t pos = hint.start;
    if (!ready_at(state, pos))
        return false;
    advance_cover(state, pos);
    if (state.region.rule != nullptr || state.tag.open || pos < state.resume)
        return true;
    const RulesMatcher& rules_matcher = *state.rules_matcher;
    TextCase text_case = rules_matcher.keeping.text_case;
    uint32_t group = hint.id;
    size_t known = rules_matcher.group_prefix[group];
    // The byte after the shared start rules out most of a group at once.
    int next = byte_at(*state.text, pos + known);
    if (next >= 0 && text_case == TextCase::fold_compared)
        next = fold_case(static_cast<uint8_t>(next));
    // An end of text there waits for a name that starts with it: that still counts.
    const RulePattern* stop = nullptr;
    uint64_t stop_length = 0;
    for (const RulePattern& pattern : rules_matcher.groups[group]) {
        if (pattern.text.size() > known && static_cast<uint8_t>(pattern.text[known]) != next &&
            !(pattern.blank_runs && pattern.text[known] == ' ' && next == '\t'))
            continue;
        uint64_t length = pattern.text.size();
        if (pattern.blank_runs) {
            length = blank_run_length(*state.text, text_case, pos, pattern.text);
            if (length == kMoreBytes)
                return false;
            if (length == 0)
                continue;
        } else if (!mark_at(*state.text, text_case, pos, pattern.text, known)) {
            continue;
        }
        if (!pattern.is_region) {
            if (state.mask.rule == nullptr && take_name_at(state, hint, pattern, length))
                break;
        } else if (is_directive(rules_matcher, pattern)) {
            if (stop == nullptr && start_directive_at(state, hint, pattern, length))
                return true;
        } else if (stop == nullptr && is_text_end(rules_matcher, pattern)) {
            uint8_t delimiter = 0;
            if (region_length_at(state, hint, pattern, length, delimiter) != 0) {
                stop = &pattern;
                stop_length = length;
            }
        } else if (stop == nullptr && start_region_at(state, hint, pattern, length)) {
            return true;
        }
    }
    if (stop != nullptr)
        start_region_at(state, hint, *stop, stop_length);
    return true;
}

}  // namespace

void start_rules_filter(RulesFilterState& state, const RulesMatcher& rules_matcher,
                        const RulesText& text) {
    state.rules_matcher = &rules_matcher;
    state.text = &text;
    state.deferred.clear();
    state.resume = 0;
    state.region = OpenRegion{};
    state.tag = OpenTag{};
    state.mask = NameMask{};
    state.held.clear();
    state.last_awaiting = nullptr;
    state.kept.clear();
    state.kept_columns.clear();
    state.column_from = state.column_line_start = state.column_line = 0;
    state.ended_in_region = false;
    state.region_line = state.region_column = 0;
}

void filter_hints(RulesFilterState& state, const std::vector<RulesHint>& hints, bool chunk_done) {
    std::vector<RulesHint> waiting;
    waiting.swap(state.deferred);
    for (const std::vector<RulesHint>* list : {&std::as_const(waiting), &hints}) {
        for (const RulesHint& hint : *list) {
            if (!state.deferred.empty() || !take_hint(state, hint))
                state.deferred.push_back(hint);
        }
    }
    uint64_t end = text_end(*state.text);
    // The directive's line must not pass a region start still to come: in a
    // later batch of the chunk, or held back to its line's end.
    uint64_t mask_limit = !chunk_done                              ? 0
                          : state.rules_matcher->keeping.held_back ? state.text->line_start
                                                                   : end;
    advance_cover(state, state.deferred.empty() ? end : state.deferred.front().start, mask_limit);
    if (!state.held.empty())
        settle_held(state, chunk_done || hints.empty() ? end : hints.back().start);
}

void finish_rules_filter(RulesFilterState& state) {
    if (state.region.rule != nullptr) {
        state.ended_in_region = region_fails_file(state.region, *state.text);
        state.region_line = state.region.line;
        state.region_column = state.region.column;
    } else if (state.tag.open) {
        state.ended_in_region = true;
        state.region_line = state.tag.line;
        state.region_column = state.tag.column;
    }
}
