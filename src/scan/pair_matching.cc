#include "scan/pair_matching.h"

#include <algorithm>
#include <bit>
#include <cstddef>

namespace {

constexpr uint64_t kSettled = LowestTree::kNoValue;

// A full tree whose closes are all settled starts again from the next close.
void add_pending(PendingCloses& pending, const PendingClose& close, uint64_t open_place) {
    if (pending.unsettled == 0 && lowest_tree_full(pending.lowest_place)) {
        lowest_tree_clear(pending.lowest_place);
        pending.tree_base = pending.closes.size;
    }
    spool_push(pending.closes, close);
    lowest_tree_push(pending.lowest_place, open_place);
    ++pending.unsettled;
}

void settle(PendingCloses& pending, uint64_t i) {
    lowest_tree_set(pending.lowest_place, i - pending.tree_base, kSettled);
    --pending.unsettled;
}

// How many closes were pending when the open at `place` came.
uint64_t pending_before(const PairMatching& matching, uint64_t place) {
    return count_at(matching.pending_marks, place);
}

// The open at `place` has just been matched: every pending close that came
// while it was unmatched, with its own open below it, crosses its span. While
// a close is pending the opens between its own and the latest one stay on the
// stack, so their places compare as their order in the file.
void settle_crossed(PairMatching& matching, uint64_t place, const OpenEntry& matched) {
    PendingCloses& pending = matching.pending;
    if (lowest_tree_least(pending.lowest_place) > place)
        return;  // no pending close has its own open below this one
    uint64_t from =
        std::max(pending_before(matching, place), pending.tree_base) - pending.tree_base;
    for (;;) {
        uint64_t leaf = lowest_tree_first_at_most(pending.lowest_place, from, place);
        if (leaf == LowestTree::kNoValue)
            return;
        uint64_t i = pending.tree_base + leaf;
        uint32_t crossed_pair = matched.pair;
        spool_rewrite(pending.closes, i, offsetof(PendingClose, crossed_pair), &crossed_pair,
                      sizeof crossed_pair);
        spool_rewrite(pending.closes, i, offsetof(PendingClose, crossed_line), &matched.place.line,
                      sizeof matched.place.line);
        settle(pending, i);
        from = leaf + 1;
    }
}

inline bool above(const PlaceRuns& runs, uint64_t place) {
    if (runs.size == 0)
        return false;
    const PlaceRun& top = block_stack_top(runs);
    return top.first + top.count > place;
}

inline void push_place(PlaceRuns& runs, uint64_t place) {
    if (runs.size > 0 && block_stack_top(runs).first + block_stack_top(runs).count == place)
        ++block_stack_top(runs).count;
    else
        block_stack_push(runs, {place, 1});
}

inline uint64_t pop_place(PlaceRuns& runs) {
    PlaceRun& top = block_stack_top(runs);
    uint64_t place = top.first + --top.count;
    if (top.count == 0)
        --runs.size;
    return place;
}

// Drops the places from `size` on.
void cut_places(PlaceRuns& runs, uint64_t size) {
    while (above(runs, size)) {
        PlaceRun& top = block_stack_top(runs);
        if (top.first >= size)
            --runs.size;
        else
            top.count = size - top.first;
    }
}

// Matched opens at the top leave the stack, and what was kept of their places.
void drop_matched_top(PairMatching& matching) {
    BlockStack<OpenEntry>& opens = matching.opens;
    uint64_t size = opens.size;
    while (size > 0 && block_stack_item(opens, size - 1).matched)
        --size;
    if (size == opens.size)
        return;
    opens.size = size;
    cut_places(matching.noteless, size);
    PendingMarks& marks = matching.pending_marks;
    while (marks.size > 0 && top_mark(marks).place >= size)
        --marks.size;
}

// The latest open has been matched: nothing above it to note or to cross.
void drop_latest(PairMatching& matching) {
    uint64_t place = --matching.opens.size;
    if (place > 0 && block_stack_item(matching.opens, place - 1).matched)
        return drop_matched_top(matching);
    PlaceRuns& noteless = matching.noteless;
    if (above(noteless, place))
        pop_place(noteless);
    PendingMarks& marks = matching.pending_marks;
    if (marks.size > 0 && top_mark(marks).place == place)
        --marks.size;
}

// `close` matched the open at `place`: the opens above it with no note yet
// get this close as theirs, and its own needs none.
void note_enclosed(PairMatching& matching, uint64_t place, const CloseRecord& close) {
    PlaceRuns& noteless = matching.noteless;
    if (matching.notes.size >= kMostNoteRecords)
        return;
    uint32_t note = static_cast<uint32_t>(matching.notes.size + 1);
    bool noted = false;
    while (above(noteless, place)) {
        OpenEntry& open = block_stack_item(matching.opens, pop_place(noteless));
        if (!open.matched) {
            open.note = note;
            noted = true;
        }
    }
    if (noted)
        spool_push(matching.notes, close);
}

// Where the opens on the stack move when the matched ones among them leave it:
// for each block of the stack, how many unmatched ones stand before it and
// which of its own are unmatched, a bit each.
struct PlaceMap {
    std::vector<uint64_t> unmatched_before_block;
    std::vector<uint64_t> unmatched_in_block;
};

PlaceMap map_places(const BlockStack<OpenEntry>& opens) {
    static_assert(BlockStack<OpenEntry>::kBlockSize == 64, "a bit an entry of a block");
    PlaceMap map;
    map.unmatched_before_block.reserve(opens.size / 64 + 2);
    map.unmatched_in_block.reserve(opens.size / 64 + 2);
    uint64_t unmatched = 0, bits = 0;
    for (uint64_t i = 0; i < opens.size; ++i) {
        uint64_t bit = !block_stack_item(opens, i).matched;
        bits |= bit << (i % 64);
        if (i % 64 == 0)
            map.unmatched_before_block.push_back(unmatched);
        unmatched += bit;
        if (i % 64 == 63 || i + 1 == opens.size) {
            map.unmatched_in_block.push_back(bits);
            bits = 0;
        }
    }
    map.unmatched_before_block.push_back(unmatched);
    map.unmatched_in_block.push_back(0);
    return map;
}

// The new place of the first unmatched open at `place` or above it.
uint64_t moved_place(const PlaceMap& map, uint64_t place) {
    uint64_t block = place / 64, below = (uint64_t{1} << (place % 64)) - 1;
    return map.unmatched_before_block[block] +
           static_cast<uint64_t>(std::popcount(map.unmatched_in_block[block] & below));
}

// Runs of places cover the same opens after the move, runs that meet joined.
void move_runs(const PlaceMap& map, PlaceRuns& runs) {
    uint64_t kept = 0;
    for (uint64_t i = 0; i < runs.size; ++i) {
        PlaceRun run = block_stack_item(runs, i);
        uint64_t first = moved_place(map, run.first);
        uint64_t count = moved_place(map, run.first + run.count) - first;
        if (count == 0)
            continue;
        PlaceRun* last = kept > 0 ? &block_stack_item(runs, kept - 1) : nullptr;
        if (last != nullptr && last->first + last->count == first)
            last->count += count;
        else
            block_stack_item(runs, kept++) = {first, count};
    }
    runs.size = kept;
    block_stack_trim(runs);
}

// The marks keep, for each unmatched open, how many closes were pending when
// it came: a mark that moves onto the place of a later one gives way to it.
void move_marks(const PlaceMap& map, PendingMarks& marks) {
    change_marks(marks, [&map](PendingMark mark) {
        mark.place = moved_place(map, mark.place);
        return mark;
    });
    trim_marks(marks);
}

// A pending close keeps the place just above its own open, which the move
// takes to the first unmatched open above it: the opens it may cross stay
// those at that place or above.
void move_tree(const PlaceMap& map, PendingCloses& pending) {
    lowest_tree_change_all(pending.lowest_place,
                           [&map](uint64_t place) { return moved_place(map, place); });
}

// The matched opens that unmatched ones hold on the stack leave it, and every
// place kept of the others moves down with them. Each move follows at least
// a sixteenth as many matched opens as unmatched ones, so that it costs a few
// steps a name.
void compact_opens(PairMatching& matching) {
    PlaceMap map = map_places(matching.opens);
    for (PlaceRuns& runs : matching.unmatched_opens)
        move_runs(map, runs);
    move_runs(map, matching.noteless);
    move_marks(map, matching.pending_marks);
    move_tree(map, matching.pending);
    BlockStack<OpenEntry>& opens = matching.opens;
    uint64_t kept = 0;
    for (uint64_t i = 0; i < opens.size; ++i) {
        if (!block_stack_item(opens, i).matched)
            block_stack_item(opens, kept++) = block_stack_item(opens, i);
    }
    opens.size = kept;
    block_stack_trim(opens);
}

void push_open(PairMatching& matching, uint32_t pair, NamePlace place) {
    uint64_t at_place = matching.opens.size;
    block_stack_push(matching.opens, OpenEntry{place, 0, pair, 0});
    ++matching.unmatched;
    push_place(matching.unmatched_opens[pair], at_place);
    push_place(matching.noteless, at_place);
    uint64_t pending = matching.pending.closes.size;
    PendingMarks& marks = matching.pending_marks;
    uint64_t before = marks.size == 0 ? 0 : top_mark(marks).count;
    if (pending != before)
        push_mark(marks, {at_place, pending});
}

}  // namespace

void start_pair_matching(PairMatching& matching, size_t pairs) {
    matching = PairMatching{};
    matching.unmatched_opens.resize(pairs);
    matching.stray_closes_by_pair.assign(pairs, 0);
}

// Hot: a change needs a benchmark run.
void match_name(PairMatching& matching, uint32_t pair, bool is_close, NamePlace place) {
    ++matching.count;
    if (!is_close)
        return push_open(matching, pair, place);
    PlaceRuns& opens = matching.unmatched_opens[pair];
    if (opens.size == 0) {
        spool_push(matching.unmatched_closes, {place, pair});
        ++matching.stray_closes_by_pair[pair];
        return;
    }
    uint64_t own_place = pop_place(opens);
    OpenEntry& own = block_stack_item(matching.opens, own_place);
    own.matched = true;
    --matching.unmatched;
    if (matching.pending.unsettled > 0)
        settle_crossed(matching, own_place, own);
    if (own_place + 1 == matching.opens.size)
        return drop_latest(matching);
    uint64_t own_line = own.place.line;
    drop_matched_top(matching);
    note_enclosed(matching, own_place, {place, pair});
    if (matching.opens.size > own_place)
        add_pending(matching.pending, {place, own_line, pair}, own_place + 1);
    uint64_t holes = matching.opens.size - matching.unmatched;
    if (holes >= matching.fewest_holes_moved && 16 * holes >= matching.unmatched)
        compact_opens(matching);
}

void forget_open_names(NameTally& tally, PairMatching& matching) {
    for (size_t pair = 0; pair < matching.unmatched_opens.size(); ++pair) {
        PlaceRuns& runs = matching.unmatched_opens[pair];
        for (uint64_t i = 0; i < runs.size; ++i)
            tally.cls_num[pair] += block_stack_item(runs, i).count;
        runs.size = 0;
    }
    for (uint64_t i = 0; i < matching.opens.size; ++i)
        block_stack_item(matching.opens, i).matched = true;
    matching.unmatched = 0;
    matching.noteless.size = 0;
    tally.depth = 0;
    settle_verdict(tally);
}
