#include "scan/pair_matching.h"

#include <algorithm>

namespace {

constexpr uint64_t kSettled = UINT64_MAX;

bool is_matched(const PairMatching& matching, uint64_t rank) {
    return matching.matched_bits[rank / 64] >> (rank % 64) & 1;
}

void add_pending(PendingCloses& pending, const PendingClose& close) {
    if (pending.closes.size() == pending.capacity) {
        pending.capacity = pending.capacity == 0 ? 64 : 2 * pending.capacity;
        pending.smallest_rank.assign(2 * pending.capacity, kSettled);
        for (size_t i = 0; i < pending.closes.size(); ++i) {
            if (!pending.closes[i].crosses)
                pending.smallest_rank[pending.capacity + i] = pending.closes[i].open_rank;
        }
        for (size_t node = pending.capacity - 1; node > 0; --node)
            pending.smallest_rank[node] =
                std::min(pending.smallest_rank[2 * node], pending.smallest_rank[2 * node + 1]);
    }
    size_t node = pending.capacity + pending.closes.size();
    pending.closes.push_back(close);
    pending.smallest_rank[node] = close.open_rank;
    for (node /= 2; node > 0; node /= 2)
        pending.smallest_rank[node] = std::min(pending.smallest_rank[node], close.open_rank);
    ++pending.unsettled;
}

void settle(PendingCloses& pending, size_t i) {
    size_t node = pending.capacity + i;
    pending.smallest_rank[node] = kSettled;
    for (node /= 2; node > 0; node /= 2)
        pending.smallest_rank[node] =
            std::min(pending.smallest_rank[2 * node], pending.smallest_rank[2 * node + 1]);
    --pending.unsettled;
}

// The first pending close from `from` on whose own open ranks below `rank`, or
// SIZE_MAX; the subtree `node` covers the closes [begin, end).
size_t first_below(const PendingCloses& pending, size_t node, size_t begin, size_t end, size_t from,
                   uint64_t rank) {
    if (end <= from || pending.smallest_rank[node] >= rank)
        return SIZE_MAX;
    if (end - begin == 1)
        return begin;
    size_t middle = begin + (end - begin) / 2;
    size_t found = first_below(pending, 2 * node, begin, middle, from, rank);
    return found != SIZE_MAX ? found : first_below(pending, 2 * node + 1, middle, end, from, rank);
}

// The open `matched` of `pair` has just been matched: every pending close that
// came while it was unmatched, with its own open below it, crosses its span.
void settle_crossed(PendingCloses& pending, const OpenEntry& matched, uint32_t pair) {
    for (;;) {
        size_t i =
            first_below(pending, 1, 0, pending.capacity, matched.pending_before, matched.rank);
        if (i == SIZE_MAX)
            return;
        PendingClose& close = pending.closes[i];
        close.crosses = true;
        close.crossed_line = matched.line;
        close.crossed_pair = pair;
        settle(pending, i);
    }
}

}  // namespace

void start_pair_matching(PairMatching& matching, size_t pairs) {
    matching = PairMatching{};
    matching.unmatched_opens.resize(pairs);
}

void match_name(PairMatching& matching, uint32_t pair, bool is_close, uint64_t line) {
    uint64_t index = matching.count++;
    std::vector<OpenEntry>& opens = matching.unmatched_opens[pair];
    if (!is_close) {
        uint64_t rank = matching.opens++;
        if (rank % 64 == 0)
            matching.matched_bits.push_back(0);
        opens.push_back({rank, index, line, matching.pending.closes.size()});
        matching.open_stack.push_back(rank);
        return;
    }
    if (opens.empty()) {
        matching.unmatched_closes.push_back({index, line, pair});
        return;
    }
    OpenEntry own = opens.back();
    opens.pop_back();
    matching.matched_bits[own.rank / 64] |= uint64_t{1} << (own.rank % 64);
    if (matching.pending.unsettled > 0)
        settle_crossed(matching.pending, own, pair);
    std::vector<uint64_t>& stack = matching.open_stack;
    while (!stack.empty() && is_matched(matching, stack.back()))
        stack.pop_back();
    if (!stack.empty() && stack.back() > own.rank)
        add_pending(matching.pending, {{index, line, pair}, own.rank, own.line});
}
