#include "scan/pair_matching.h"

#include <algorithm>

namespace {

constexpr uint64_t kSettled = UINT64_MAX;

// The tree doubles its leaves, the old ones kept.
void grow_pending_tree(PendingCloses& pending) {
    size_t capacity = pending.capacity == 0 ? 64 : 2 * pending.capacity;
    std::vector<uint64_t> tree(2 * capacity, kSettled);
    for (size_t i = 0; i < pending.capacity; ++i)
        tree[capacity + i] = pending.lowest_place[pending.capacity + i];
    for (size_t node = capacity - 1; node > 0; --node)
        tree[node] = std::min(tree[2 * node], tree[2 * node + 1]);
    pending.lowest_place = std::move(tree);
    pending.capacity = capacity;
}

// A full tree whose closes are all settled, so all its nodes, starts again
// from the next close.
void add_pending(PendingCloses& pending, const PendingClose& close, uint64_t open_place) {
    if (pending.closes.size - pending.tree_base == pending.capacity) {
        if (pending.unsettled == 0 && pending.capacity > 0)
            pending.tree_base = pending.closes.size;
        else
            grow_pending_tree(pending);
    }
    size_t node = pending.capacity + (pending.closes.size - pending.tree_base);
    block_stack_push(pending.closes, close);
    pending.lowest_place[node] = open_place;
    for (node /= 2; node > 0; node /= 2)
        pending.lowest_place[node] = std::min(pending.lowest_place[node], open_place);
    ++pending.unsettled;
}

void settle(PendingCloses& pending, uint64_t i) {
    size_t node = pending.capacity + (i - pending.tree_base);
    pending.lowest_place[node] = kSettled;
    for (node /= 2; node > 0; node /= 2)
        pending.lowest_place[node] =
            std::min(pending.lowest_place[2 * node], pending.lowest_place[2 * node + 1]);
    --pending.unsettled;
}

// The first pending close from `from` on whose own open lies below `place`, or
// SIZE_MAX; the subtree `node` covers the closes [begin, end).
size_t first_below(const PendingCloses& pending, size_t node, size_t begin, size_t end, size_t from,
                   uint64_t place) {
    if (end <= from || pending.lowest_place[node] >= place)
        return SIZE_MAX;
    if (end - begin == 1)
        return begin;
    size_t middle = begin + (end - begin) / 2;
    size_t found = first_below(pending, 2 * node, begin, middle, from, place);
    return found != SIZE_MAX ? found : first_below(pending, 2 * node + 1, middle, end, from, place);
}

// How many closes were pending when the open at `place` came.
uint64_t pending_before(const PairMatching& matching, uint64_t place) {
    const std::vector<PendingMark>& marks = matching.pending_marks;
    auto after =
        std::upper_bound(marks.begin(), marks.end(), place,
                         [](uint64_t p, const PendingMark& mark) { return p < mark.place; });
    return after == marks.begin() ? 0 : std::prev(after)->count;
}

// The open at `place` has just been matched: every pending close that came
// while it was unmatched, with its own open below it, crosses its span. While
// a close is pending the opens between its own and the latest one stay on the
// stack, so their places compare as their order in the file.
void settle_crossed(PairMatching& matching, uint64_t place, const OpenEntry& matched) {
    PendingCloses& pending = matching.pending;
    if (pending.lowest_place[1] >= place)
        return;  // no pending close has its own open below this one
    uint64_t from = std::max(pending_before(matching, place), pending.tree_base);
    for (;;) {
        size_t leaf = first_below(pending, 1, 0, pending.capacity, from - pending.tree_base, place);
        if (leaf == SIZE_MAX)
            return;
        uint64_t i = pending.tree_base + leaf;
        PendingClose& close = block_stack_item(pending.closes, i);
        close.crossed_line = matched.place.line;
        close.crossed_pair = matched.pair;
        settle(pending, i);
    }
}

inline void push_place(std::vector<PlaceRun>& runs, uint64_t place) {
    if (!runs.empty() && runs.back().first + runs.back().count == place)
        ++runs.back().count;
    else
        runs.push_back({place, 1});
}

inline uint64_t pop_place(std::vector<PlaceRun>& runs) {
    PlaceRun& top = runs.back();
    uint64_t place = top.first + --top.count;
    if (top.count == 0)
        runs.pop_back();
    return place;
}

// Drops the places from `size` on.
void cut_places(std::vector<PlaceRun>& runs, uint64_t size) {
    while (!runs.empty() && runs.back().first + runs.back().count > size) {
        PlaceRun& top = runs.back();
        if (top.first >= size)
            runs.pop_back();
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
    std::vector<PendingMark>& marks = matching.pending_marks;
    while (!marks.empty() && marks.back().place >= size)
        marks.pop_back();
}

// The latest open has been matched: nothing above it to note or to cross.
void drop_latest(PairMatching& matching) {
    uint64_t place = --matching.opens.size;
    if (place > 0 && block_stack_item(matching.opens, place - 1).matched)
        return drop_matched_top(matching);
    std::vector<PlaceRun>& noteless = matching.noteless;
    if (!noteless.empty() && noteless.back().first + noteless.back().count > place)
        pop_place(noteless);
    std::vector<PendingMark>& marks = matching.pending_marks;
    if (!marks.empty() && marks.back().place == place)
        marks.pop_back();
}

// `close` matched the open at `place`: the opens above it with no note yet
// get this close as theirs.
void note_enclosed(PairMatching& matching, uint64_t place, const CloseRecord& close) {
    std::vector<PlaceRun>& noteless = matching.noteless;
    if (matching.notes.size >= kMostNoteRecords)
        return;
    uint32_t note = static_cast<uint32_t>(matching.notes.size + 1);
    bool noted = false;
    while (!noteless.empty() && noteless.back().first + noteless.back().count > place + 1) {
        OpenEntry& open = block_stack_item(matching.opens, pop_place(noteless));
        if (!open.matched) {
            open.note = note;
            noted = true;
        }
    }
    if (noted)
        block_stack_push(matching.notes, close);
}

void push_open(PairMatching& matching, uint32_t pair, NamePlace place) {
    uint64_t at_place = matching.opens.size;
    block_stack_push(matching.opens, OpenEntry{place, 0, pair, 0});
    push_place(matching.unmatched_opens[pair], at_place);
    push_place(matching.noteless, at_place);
    uint64_t pending = matching.pending.closes.size;
    uint64_t before = matching.pending_marks.empty() ? 0 : matching.pending_marks.back().count;
    if (pending != before)
        matching.pending_marks.push_back({at_place, pending});
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
    std::vector<PlaceRun>& opens = matching.unmatched_opens[pair];
    if (opens.empty()) {
        spool_push(matching.unmatched_closes, {place, pair});
        ++matching.stray_closes_by_pair[pair];
        return;
    }
    uint64_t own_place = pop_place(opens);
    OpenEntry& own = block_stack_item(matching.opens, own_place);
    own.matched = true;
    if (matching.pending.unsettled > 0)
        settle_crossed(matching, own_place, own);
    if (own_place + 1 == matching.opens.size)
        return drop_latest(matching);
    uint64_t own_line = own.place.line;
    drop_matched_top(matching);
    note_enclosed(matching, own_place, {place, pair});
    if (matching.opens.size > own_place)
        add_pending(matching.pending, {place, own_line, 0, pair}, own_place);
}
