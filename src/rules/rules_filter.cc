#include "rules/rules_filter.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "rules/blank_runs.h"

namespace {

// Enough bytes after `pos` are at hand to decide there, or there will be none.
bool ready_at(const RulesFilterState& state, uint64_t pos) {
    return pos < state.ready_to;
}

// Where ready_at ends for the text at hand.
uint64_t ready_end(const RulesFilterState& state) {
    uint64_t end = text_end(*state.text);
    size_t reach = state.rules_matcher->keeping.reach;
    if (state.text->source_ended)
        return UINT64_MAX;
    return end < reach ? 0 : end - reach + 1;
}

// The column of a kept name, from 1, while its bytes are at hand. Names are
// kept in order of their starts: on the line of the name kept before, the
// line's start is known; on a later one, it is the last line end before the
// name, no further back than that name.
uint64_t column_of(RulesFilterState& state, const FoundName& name) {
    const RulesText& text = *state.text;
    if (name.line != state.column_line) {
        uint64_t from = std::max(state.column_from, text.offset);
        uint64_t line_start = line_start_within(text, from, name.start);
        if (line_start == 0)
            line_start = text.line_start_before;
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

// Moves the search of a course on up to `limit`; true once its END is found,
// and judged.
bool search_course(const RulesFilterState& state, HeldCourse& course, uint64_t limit) {
    const RulesMatcher& rules_matcher = *state.rules_matcher;
    const TagEndMark& mark = rules_matcher.tag_ends[course.search.mark];
    TextCase text_case = rules_matcher.keeping.text_case;
    if (!advance_tag_end(course.search, mark, *state.text, text_case, limit))
        return false;
    course.judgement = judge_tag_end(*state.text, text_case, rules_matcher.rules.self_close_mark,
                                     mark, course.search);
    return true;
}

bool tag_closes(const RulesFilterState& state, const HeldCourse& course, const HeldName& held) {
    return course.search.found &&
           closes_itself(course.judgement, !state.rules_matcher->rules.tag_quotes.empty(),
                         held.name.start, held.name_end);
}

HeldCourse& course_of(RulesFilterState& state, uint64_t id) {
    return state.courses[id - state.first_course];
}

// Holds an awaiting name with its search `mine`, which joins the course of one
// of the last ones held where the two, moved to one place, stand there in the
// same state (a search has a few states at a place: the last few courses hold
// them); returns the name's search as it stands.
TagEndSearch hold_awaiting(RulesFilterState& state, HeldName held, HeldCourse mine) {
    const TagEndMark& mark = state.rules_matcher->tag_ends[mine.search.mark];
    size_t tried = 2 * (mark.quotes.size() + 2);
    uint64_t end = state.first_course + state.courses.size();
    for (uint64_t id = end; id > state.first_course && end - id < tried; --id) {
        HeldCourse& course = course_of(state, id - 1);
        if (course.search.found || mine.search.found)
            continue;
        if (course.search.next < mine.search.next)
            search_course(state, course, mine.search.next);
        else if (mine.search.next < course.search.next)
            search_course(state, mine, course.search.next);
        if (!mine.search.found && same_course(course.search, mine.search)) {
            held.course = id - 1;
            ++course.holders;
            state.held.push_back(held);
            return mine.search;
        }
    }
    held.course = end;
    mine.holders = 1;
    state.courses.push_back(mine);
    state.held.push_back(held);
    return mine.search;
}

// Hands the held names on in order, each self-closing one once its tag's end is
// found (or the text ended without one); the courses move on up to `limit`. No
// later hint starts before it, so that a name held later meets the last courses
// where their state is known, not behind it.
void settle_held(RulesFilterState& state, uint64_t limit) {
    for (HeldCourse& course : state.courses) {
        if (!course.search.found)
            search_course(state, course, limit);
    }
    while (!state.held.empty()) {
        HeldName& head = state.held.front();
        bool kept = true;
        if (head.awaiting) {
            HeldCourse& course = course_of(state, head.course);
            if (!course.search.found && !state.text->source_ended)
                return;
            kept = !tag_closes(state, course, head);
            --course.holders;
        }
        if (kept)
            hand_on(state, head.name, head.column);
        state.held.pop_front();
        while (!state.courses.empty() && state.courses.front().holders == 0) {
            state.courses.pop_front();
            ++state.first_course;
        }
    }
}

// Keeps the name, or holds it while its tag's end is searched where it `awaits`
// it (self-closing). `search` comes unmarked, from the name's end: it is left
// the name's self-closing search, or unmarked for a name that is not one.
void keep_name(RulesFilterState& state, const FoundName& name, bool awaits, uint64_t column,
               uint64_t name_end, TagEndSearch& search) {
    const RulesMatcher& rules_matcher = *state.rules_matcher;
    if (!awaits && state.held.empty()) {
        hand_on(state, name, column);
        return;
    }
    if (awaits && state.held.empty()) {
        // Most tags end in the bytes at hand: decided here, nothing held. Else
        // the name is held with its search where it starts, behind the names
        // that come after it, which meet it there.
        search.mark = rules_matcher.self_close_end;
        const TagEndMark& mark = rules_matcher.tag_ends[search.mark];
        TextCase text_case = rules_matcher.keeping.text_case;
        if (advance_tag_end(search, mark, *state.text, text_case, UINT64_MAX)) {
            TagEndJudgement judgement = judge_tag_end(
                *state.text, text_case, rules_matcher.rules.self_close_mark, mark, search);
            if (!closes_itself(judgement, !rules_matcher.rules.tag_quotes.empty(), name.start,
                               name_end))
                hand_on(state, name, column);
            return;
        }
    }
    HeldName held{name, name_end, column, awaits, 0};
    if (!awaits) {
        state.held.push_back(held);
        return;
    }
    search = hold_awaiting(state, held,
                           HeldCourse{start_tag_end(rules_matcher.self_close_end, name_end), {}});
}

// A broken tag ends before its break byte, which is read again.
void close_tag(RulesFilterState& state) {
    const OpenTag& tag = state.tag;
    const TagEndSearch& search = tag.search;
    state.tag.open = false;
    if (!search.broken) {
        state.resume = search.next + state.rules_matcher->tag_ends[search.mark].end.size();
        return;
    }
    state.resume = search.next;
    if (state.checking.off)
        return;
    uint64_t line_start = search.lines ? search.line_start : tag.line_start;
    state.broken.push_back({tag.line + search.lines, search.next - line_start + 1, tag.id});
}

// A region, a tag or a directive's line is open, to be moved on over the text.
bool cover_open(const RulesFilterState& state) {
    return state.region.rule != nullptr || state.tag.open || state.mask.rule != nullptr;
}

// Moves the open region on over the bytes before `limit`; what comes after it
// is read once it ends.
void advance_open_region(RulesFilterState& state, uint64_t limit) {
    advance_region(state.region, *state.text, state.rules_matcher->keeping.text_case, limit);
    if (state.region.rule != nullptr)
        return;
    const OpenRegion& region = state.region;
    state.resume = region.after;
    // The directive's line goes on after the region; the LF that ended the
    // region ends the line for the directive too.
    if (state.mask.rule != nullptr)
        state.mask.next = region.after - (region.ended_at_line_end ? 1 : 0);
}

// Moves the open region or tag on over the bytes before `limit`, and a
// directive's line over those before `mask_limit` (no further than `limit`).
void advance_cover(RulesFilterState& state, uint64_t limit, uint64_t mask_limit = UINT64_MAX) {
    const RulesMatcher& rules_matcher = *state.rules_matcher;
    TextCase text_case = rules_matcher.keeping.text_case;
    if (state.region.rule != nullptr) {
        advance_open_region(state, limit);
    } else if (state.tag.open) {
        // A tag's search looks at the byte at `limit` too: a break byte there
        // ends the tag before it, so that what starts there is read.
        TagEndSearch& search = state.tag.search;
        if (advance_tag_end(search, rules_matcher.tag_ends[search.mark], *state.text, text_case,
                            limit + 1))
            close_tag(state);
    }
    if (state.mask.rule != nullptr && state.region.rule == nullptr)
        advance_name_mask(state.mask, *state.text, std::min(limit, mask_limit));
}

bool ends_word(const RulesText& text, uint64_t pos) {
    int byte = byte_at(text, pos);
    return byte < 0 || !is_word_byte(static_cast<uint8_t>(byte));
}

// The open tag's search over the bytes at hand, at once: no name after the
// tag's name is read before the tag ends, so the names to come cannot tell. (A
// region to the text's end started at the tag's name holds the tag open.)
void search_tag_at_hand(RulesFilterState& state) {
    const RulesMatcher& rules_matcher = *state.rules_matcher;
    TagEndSearch& search = state.tag.search;
    if (advance_tag_end(search, rules_matcher.tag_ends[search.mark], *state.text,
                        rules_matcher.keeping.text_case, UINT64_MAX))
        close_tag(state);
}

// The name of `pattern` at the hint's place, unless its word end fails: kept,
// and its tag opened under tag-end. With `at_hand`, no region to the text's end
// may start at the name, and the tag is searched over the bytes at hand at
// once (search_tag_at_hand).
bool take_name_at(RulesFilterState& state, const RulesHint& hint, const RulePattern& pattern,
                  uint64_t length, bool at_hand) {
    uint64_t after = hint.start + length;
    if (pattern.word_end && !ends_word(*state.text, after))
        return false;
    FoundName name{pattern.id, hint.line, hint.start};
    uint64_t column = 0;
    // The self-closing search, which is the tag's where their ENDs are one.
    TagEndSearch search = start_tag_end(kNoTagEnd, after);
    const RulesMatcher& rules_matcher = *state.rules_matcher;
    if (!state.checking.off) {
        column = column_of(state, name);
        // Names that may close themselves stay out of the branches' results.
        bool self_closing = rules_matcher.self_closing[name.id];
        bool counts = state.branches.levels.empty() ||
                      (self_closing ? state.branches.uncounted == 0
                                    : take_branch_name(state.branches, name.id >> 1, name.id & 1));
        if (counts && !self_closing)
            count_open_name(state.open_names, name.id & 1);
        if (counts)
            keep_name(state, name, self_closing, column, after, search);
    }
    if (rules_matcher.tag_end == kNoTagEnd) {
        state.resume = hint.start + 1;
        return true;
    }
    if (search.mark != rules_matcher.tag_end) {
        if (search.mark != kNoTagEnd)
            search = start_tag_end(kNoTagEnd, after);
        search.mark = rules_matcher.tag_end;
        if (at_hand)
            advance_tag_end(search, rules_matcher.tag_ends[search.mark], *state.text,
                            rules_matcher.keeping.text_case, UINT64_MAX);
    }
    if (search.found && !search.broken) {
        // Ended in the bytes at hand, unbroken: only where the tag ends counts.
        state.tag.open = false;
        state.resume = search.next + rules_matcher.tag_ends[search.mark].end.size();
        return true;
    }
    state.tag = OpenTag{true, search, pattern.id, hint.line, column, hint.start + 1 - column};
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
    if (rule.markers) {
        uint64_t from = hint.start + length;
        size_t at_hand = std::min<uint64_t>(text_end(*state.text) - from, kSwitchReach + 1);
        apply_switch(state.checking, read_switch(bytes_at(*state.text, from), at_hand));
    }
    state.checking.unread = state.checking.unread || rule.unread;
    // No name is read before the region ends, so the names to come cannot
    // tell how far it is searched: over the bytes at hand at once, which
    // passes over the hints inside it as they come.
    advance_open_region(state, UINT64_MAX);
    return true;
}

// Whether the long string of `pattern` stands at `pos`, read through what its
// window knows of the text: every byte compared moves the window's right end
// on, so its tries over a text cost bytes of the text, not of the string.
bool windowed_match(RulesFilterState& state, TextCase text_case, uint64_t pos,
                    const RulePattern& pattern) {
    MatchWindow& window = state.windows[pattern.window];
    uint64_t size = pattern.text.size();
    uint64_t matched = 0;
    if (pos < window.right) {
        matched = window.right - pos;
        if (pattern.z[pos - window.left] < matched)
            return false;
    }
    const RulesText& text = *state.text;
    uint64_t end = std::min(text_end(text), pos + size);
    const uint8_t* want = reinterpret_cast<const uint8_t*>(pattern.text.data());
    for (uint64_t at = pos + matched; at < end; ++at, ++matched) {
        uint8_t byte = *bytes_at(text, at);
        if ((text_case == TextCase::fold_compared ? fold_case(byte) : byte) != want[matched])
            break;
    }
    window = {pos, pos + matched};
    return matched == size;
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

// A declared region's MARK at the hint's place declares the name after it and
// is passed over; its START opens the region of a name declared, if one stands
// there.
bool take_declared_at(RulesFilterState& state, const RulesHint& hint, const RulePattern& pattern,
                      uint64_t length) {
    const RulesMatcher& rules_matcher = *state.rules_matcher;
    if (!pattern.is_declared_start) {
        take_declaration(state.declared, *state.text, hint.start + length, pattern.region,
                         rules_matcher.rules.regions[pattern.region],
                         rules_matcher.rules.ignore_case);
        state.resume = hint.start + length;
        return true;
    }
    const DeclaredRegion* found = declared_region_at(
        state.declared, *state.text, rules_matcher.keeping.text_case, hint.start, pattern.region);
    if (found == nullptr)
        return false;
    open_region(state.region, found->region, found->stops, hint.start + found->region.start.size(),
                hint.line, column_of(state, hint), 0);
    return true;
}

// The first branch mark of the hint's group at the hint's place, where one
// stands there.
bool take_branch_at(RulesFilterState& state, const RulesHint& hint) {
    const RulesMatcher& rules_matcher = *state.rules_matcher;
    TextCase text_case = rules_matcher.keeping.text_case;
    const std::vector<BranchMark>& marks = rules_matcher.rules.branch_marks;
    uint64_t length = 0;
    const BranchMark* found = nullptr;
    // The text's key after each prefix size, computed again only where it changes.
    uint32_t keyed = UINT32_MAX;
    BranchKey key;
    for (const BranchCandidate& candidate : rules_matcher.group_branch_marks[hint.id]) {
        if (candidate.prefix != keyed) {
            key = branch_text_key(*state.text, text_case, hint.start, candidate.prefix);
            keyed = candidate.prefix;
        }
        if (!key_may_match(candidate.key, key))
            continue;
        length = branch_mark_length(*state.text, text_case, hint.start, marks[candidate.mark]);
        if (length != 0) {
            found = &marks[candidate.mark];
            break;
        }
    }
    if (found == nullptr)
        return false;
    const BranchMark& mark = *found;
    bool plainly_false = false;
    for (const BranchMark& other : marks) {
        plainly_false = plainly_false ||
                        (mark.role != BranchRole::end && other.role == BranchRole::plainly_false &&
                         branch_mark_length(*state.text, text_case, hint.start, other) != 0);
    }
    take_branch_mark(state.branches, mark.role, plainly_false, {hint.line, column_of(state, hint)});
    state.resume = hint.start + length;
    return true;
}

// What the rules make of the place of `hint`: a branch mark, a region start, a name or
// nothing. False when the bytes there are not all at hand yet.
bool take_hint(RulesFilterState& state, const RulesHint& hint) {
    uint64_t pos = hint.start;
    if (!ready_at(state, pos))
        return false;
    if (cover_open(state))
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
    bool branches_tried = false;
    for (const RulePattern& pattern : rules_matcher.groups[group]) {
        if (pattern.after_prefix >= 0 && pattern.after_prefix != next &&
            !(pattern.blank_runs && pattern.after_prefix == ' ' && next == '\t'))
            continue;
        uint64_t length = pattern.text.size();
        if (pattern.blank_runs) {
            length = blank_run_length(*state.text, text_case, pos, pattern.text);
            if (length == kMoreBytes)
                return false;
            if (length == 0)
                continue;
        } else if (pattern.window == UINT32_MAX
                       ? !mark_at(*state.text, text_case, pos, pattern.text, known)
                       : !windowed_match(state, text_case, pos, pattern)) {
            continue;
        }
        if (pattern.is_branch) {
            // All of the group's marks are tried at the first of its prefixes found.
            if (!branches_tried && take_branch_at(state, hint))
                return true;
            branches_tried = true;
            continue;
        }
        if (!pattern.is_region) {
            if (state.mask.rule == nullptr &&
                take_name_at(state, hint, pattern, length, stop == nullptr))
                break;
        } else if (pattern.region_kind == RegionKind::directive) {
            if (stop == nullptr && start_directive_at(state, hint, pattern, length))
                return true;
        } else if (pattern.region_kind == RegionKind::declared) {
            if (stop == nullptr && take_declared_at(state, hint, pattern, length))
                return true;
        } else if (stop == nullptr && pattern.region_kind == RegionKind::to_text_end) {
            uint8_t delimiter = 0;
            if (region_length_at(state, hint, pattern, length, delimiter) != 0) {
                stop = &pattern;
                stop_length = length;
            }
        } else if (stop == nullptr && start_region_at(state, hint, pattern, length)) {
            return true;
        }
    }
    if (stop != nullptr &&
        text_ends_at(rules_matcher.rules.regions[stop->region], state.open_names))
        start_region_at(state, hint, *stop, stop_length);
    else if (state.tag.open)
        search_tag_at_hand(state);
    return true;
}

bool at_rest(const RulesFilterState& state) {
    return !cover_open(state) && state.held.empty();
}

// A restart point at the start of the hint's line, before the hint is taken,
// where every hint before it is taken, on an earlier line, and the filter is
// at rest once its cover has moved up to the hint.
void note_restart(RulesFilterState& state, const RulesHint& hint) {
    if (hint.line <= state.restart_line || !ready_at(state, hint.start))
        return;
    if (cover_open(state))
        advance_cover(state, hint.start);
    const RulesText& text = *state.text;
    // A point holds the open chains' levels: so many that copying them would
    // cost more than reading from an earlier point make none.
    if (!at_rest(state) || hint.start <= text.offset || state.branches.levels.size() > kBranchDepth)
        return;
    uint64_t line_start = line_start_within(text, text.offset, hint.start);
    if (line_start == 0)
        return;
    const BranchChains& chains = state.branches;
    state.restarts.push_back({line_start, hint.line, state.resume, state.checking, state.open_names,
                              chains.levels, chains.uncounted, chains.uncounted_deep,
                              state.declared});
    state.next_restart = line_start + state.restart_spacing;
}

}  // namespace

void note_filter_restarts(RulesFilterState& state, uint64_t spacing) {
    state.restart_spacing = spacing;
    state.next_restart = spacing;
}

void resume_rules_filter(RulesFilterState& state, const FilterRestart& restart) {
    state.resume = restart.resume;
    state.checking = restart.checking;
    state.open_names = restart.open_names;
    state.declared = restart.declared;
    BranchChains& chains = state.branches;
    chains.levels = restart.levels;
    chains.uncounted = restart.uncounted;
    chains.uncounted_deep = restart.uncounted_deep;
    size_t depth = std::min(chains.levels.size(), kBranchDepth);
    chains.under_way.assign(depth, BranchResult{});
    chains.counted.assign(depth, BranchResult{});
}

void start_rules_filter(RulesFilterState& state, const RulesMatcher& rules_matcher,
                        const RulesText& text) {
    state.rules_matcher = &rules_matcher;
    state.text = &text;
    state.deferred.clear();
    state.ready_to = 0;
    state.resume = 0;
    state.region = OpenRegion{};
    state.tag = OpenTag{};
    state.windows.assign(rules_matcher.windows, MatchWindow{});
    state.mask = NameMask{};
    state.held.clear();
    state.courses.clear();
    state.first_course = 0;
    state.kept.clear();
    state.kept_columns.clear();
    state.column_from = state.column_line_start = state.column_line = 0;
    state.checking = Checking{};
    state.ended_in_region = state.ended_in_tag = false;
    state.ended_in = 0;
    state.region_line = state.region_column = 0;
    state.broken.clear();
    start_branch_chains(state.branches, rules_matcher.self_closing.size() / 2,
                        rules_matcher.rules.empty_else);
    state.open_names = OpenNames{};
    state.declared.all.clear();
    state.ended_declared = nullptr;
    state.restarts.clear();
    state.next_restart = UINT64_MAX;
    state.restart_line = 0;
}

void filter_hints(RulesFilterState& state, const std::vector<RulesHint>& hints, bool chunk_done) {
    state.ready_to = ready_end(state);
    if (state.deferred.empty() && !hints.empty() && hints.front().start >= state.next_restart)
        note_restart(state, hints.front());
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
    if (!hints.empty())
        state.restart_line = hints.back().line;
}

void finish_rules_filter(RulesFilterState& state) {
    finish_branch_chains(state.branches);
    if (state.checking.off)
        return;
    if (state.region.rule != nullptr) {
        state.ended_in_region = region_fails_file(state.region, *state.text);
        for (const DeclaredRegion& declared : state.declared.all) {
            if (state.region.rule == &declared.region) {
                state.ended_in = declared.rule;
                state.ended_declared = &declared.region;
            }
        }
        if (state.ended_declared == nullptr)
            state.ended_in = static_cast<uint32_t>(state.region.rule -
                                                   state.rules_matcher->rules.regions.data());
        state.region_line = state.region.line;
        state.region_column = state.region.column;
    } else if (state.tag.open) {
        state.ended_in_region = state.ended_in_tag = true;
        state.ended_in = state.tag.id;
        state.region_line = state.tag.line;
        state.region_column = state.tag.column;
    }
}
