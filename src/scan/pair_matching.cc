#include "scan/pair_matching.h"

#include <algorithm>
#include <bit>
#include <cstddef>

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
    spool_push(pending.closes, close);
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
    if (end <= from || pending.lowest_place[node] > place)
        return SIZE_MAX;
    if (end - begin == 1)
        return begin;
    size_t middle = begin + (end - begin) / 2;
    size_t found = first_below(pending, 2 * node, begin, middle, from, place);
    return found != SIZE_MAX ? found : first_below(pending, 2 * node + 1, middle, end, from, place);
}

// How many closes were pending when the open at `place` came.
uint64_t pending_before(const PairMatching& matching, uint64_t place) {
    // The block of the last mark at `place` or below, by the first mark of each
    // block, then that mark within its block.
    const BlockStack<PendingMark>& marks = matching.pending_marks;
    constexpr uint64_t kBlock = BlockStack<PendingMark>::kBlockSize;
    uint64_t low = 0, high = (marks.size + kBlock - 1) / kBlock;
    while (low < high) {
        uint64_t middle = low + (high - low) / 2;
        if (place < marks.blocks[middle][0].place)
            high = middle;
        else
            low = middle + 1;
    }
    if (low == 0)
        return 0;
    const PendingMark* block = marks.blocks[low - 1].get();
    const PendingMark* end = block + std::min(kBlock, marks.size - (low - 1) * kBlock);
    const PendingMark* after = std::upper_bound(
        block, end, place, [](uint64_t p, const PendingMark& mark) { return p < mark.place; });
    return std::prev(after)->count;
}

// The open at `place` has just been matched: every pending close that came
// while it was unmatched, with its own open below it, crosses its span. While
// a close is pending the opens between its own and the latest one stay on the
// stack, so their places compare as their order in the file.
void settle_crossed(PairMatching& matching, uint64_t place, const OpenEntry& matched) {
    PendingCloses& pending = matching.pending;
    if (pending.lowest_place[1] > place)
        return;  // no pending close has its own open below this one
    uint64_t from = std::max(pending_before(matching, place), pending.tree_base);
    for (;;) {
        size_t leaf = first_below(pending, 1, 0, pending.capacity, from - pending.tree_base, place);
        if (leaf == SIZE_MAX)
            return;
        uint64_t i = pending.tree_base + leaf;
        uint32_t crossed_pair = matched.pair;
        spool_rewrite(pending.closes, i, offsetof(PendingClose, crossed_pair), &crossed_pair,
                      sizeof crossed_pair);
        spool_rewrite(pending.closes, i, offsetof(PendingClose, crossed_line), &matched.place.line,
                      sizeof matched.place.line);
        settle(pending, i);
    }
}

inline bool above(const std::vector<PlaceRun>& runs, uint64_t place) {
    return !runs.empty() && runs.back().first + runs.back().count > place;
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
    while (above(runs, size)) {
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
    BlockStack<PendingMark>& marks = matching.pending_marks;
    while (marks.size > 0 && block_stack_top(marks).place >= size)
        --marks.size;
}

// The latest open has been matched: nothing above it to note or to cross.
void drop_latest(PairMatching& matching) {
    uint64_t place = --matching.opens.size;
    if (place > 0 && block_stack_item(matching.opens, place - 1).matched)
        return drop_matched_top(matching);
    std::vector<PlaceRun>& noteless = matching.noteless;
    if (above(noteless, place))
        pop_place(noteless);
    BlockStack<PendingMark>& marks = matching.pending_marks;
    if (marks.size > 0 && block_stack_top(marks).place == place)
        --marks.size;
}

// `close` matched the open at `place`: the opens above it with no note yet
// get this close as theirs.
void note_enclosed(PairMatching& matching, uint64_t place, const CloseRecord& close) {
    std::vector<PlaceRun>& noteless = matching.noteless;
    if (matching.notes.size >= kMostNoteRecords)
        return;
    uint32_t note = static_cast<uint32_t>(matching.notes.size + 1);
    bool noted = false;
    while (above(noteless, place + 1)) {
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
void move_runs(const PlaceMap& map, std::vector<PlaceRun>& runs) {
    size_t kept = 0;
    for (const PlaceRun& run : runs) {
        uint64_t first = moved_place(map, run.first);
        uint64_t count = moved_place(map, run.first + run.count) - first;
        if (count == 0)
            continue;
        if (kept > 0 && runs[kept - 1].first + runs[kept - 1].count == first)
            runs[kept - 1].count += count;
        else
            runs[kept++] = {first, count};
    }
    runs.resize(kept);
}

// The marks keep, for each unmatched open, how many closes were pending when
// it came: a mark that moves onto the place of a later one gives way to it.
void move_marks(const PlaceMap& map, BlockStack<PendingMark>& marks) {
    uint64_t kept = 0;
    for (uint64_t i = 0; i < marks.size; ++i) {
        PendingMark mark = block_stack_item(marks, i);
        mark.place = moved_place(map, mark.place);
        if (kept > 0 && block_stack_item(marks, kept - 1).place == mark.place)
            --kept;
        block_stack_item(marks, kept++) = mark;
    }
    marks.size = kept;
}

// A pending close keeps the place just above its own open, which the move
// takes to the first unmatched open above it: the opens it may cross stay
// those at that place or above.
void move_tree(const PlaceMap& map, PendingCloses& pending) {
    if (pending.capacity == 0)
        return;
    std::vector<uint64_t>& tree = pending.lowest_place;
    for (size_t leaf = pending.capacity; leaf < 2 * pending.capacity; ++leaf) {
        if (tree[leaf] != kSettled)
            tree[leaf] = moved_place(map, tree[leaf]);
    }
    for (size_t node = pending.capacity - 1; node > 0; --node)
        tree[node] = std::min(tree[2 * node], tree[2 * node + 1]);
}

// The matched opens that unmatched ones hold on the stack leave it, and every
// place kept of the others moves down with them. Each move follows at least
// an eighth as many matched opens as unmatched ones, so that it costs a few
// steps a name.
void compact_opens(PairMatching& matching) {
    PlaceMap map = map_places(matching.opens);
    for (std::vector<PlaceRun>& runs : matching.unmatched_opens)
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
}

void push_open(PairMatching& matching, uint32_t pair, NamePlace place) {
    uint64_t at_place = matching.opens.size;
    block_stack_push(matching.opens, OpenEntry{place, 0, pair, 0});
    ++matching.unmatched;
    push_place(matching.unmatched_opens[pair], at_place);
    push_place(matching.noteless, at_place);
    uint64_t pending = matching.pending.closes.size;
    BlockStack<PendingMark>& marks = matching.pending_marks;
    uint64_t before = marks.size == 0 ? 0 : block_stack_top(marks).count;
    if (pending != before)
        block_stack_push(marks, {at_place, pending});
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
    if (holes >= matching.fewest_holes_moved && 8 * holes >= matching.unmatched)
        compact_opens(matching);
}
