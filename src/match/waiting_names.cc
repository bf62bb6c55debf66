#include "match/waiting_names.h"

#include <algorithm>
#include <bit>

namespace {

// The heap's order: the lowest start on top.
bool starts_later(const WaitingName& a, const WaitingName& b) {
    return a.start > b.start;
}

}  // namespace

void start_waiting(WaitingNames& waiting, size_t longest_name) {
    size_t window = std::min<size_t>(std::bit_ceil(longest_name), 64);
    waiting = WaitingNames{};
    waiting.slot.assign(window, kNoWaiting);
    waiting.window_mask = window - 1;
}

namespace {

// A window wide enough for starts from `lowest` to `highest`, with the waiting
// matches in their new slots.
void widen_window(WaitingNames& waiting, uint64_t lowest, uint64_t highest) {
    std::vector<uint32_t> slot(std::bit_ceil(highest - lowest + 1), kNoWaiting);
    size_t mask = slot.size() - 1;
    for (uint64_t start = waiting.lowest; start <= waiting.highest; ++start)
        slot[start & mask] = waiting.slot[start & waiting.window_mask];
    waiting.slot = std::move(slot);
    waiting.window_mask = mask;
}

void push_far(WaitingNames& waiting, uint64_t start, uint32_t id) {
    waiting.far.push_back({start, id});
    std::push_heap(waiting.far.begin(), waiting.far.end(), starts_later);
}

// The waiting matches from the window into `far`.
void move_far(WaitingNames& waiting) {
    for (uint64_t start = waiting.lowest; start <= waiting.highest; ++start) {
        uint32_t& id = waiting.slot[start & waiting.window_mask];
        if (id != kNoWaiting)
            push_far(waiting, start, id);
        id = kNoWaiting;
    }
}

}  // namespace

void add_waiting(WaitingNames& waiting, uint64_t start, uint32_t id) {
    ++waiting.count;
    if (!waiting.far.empty()) {
        push_far(waiting, start, id);
        return;
    }
    if (waiting.count == 1) {
        waiting.lowest = waiting.highest = start;
    } else {
        uint64_t lowest = std::min(waiting.lowest, start);
        uint64_t highest = std::max(waiting.highest, start);
        if (highest - lowest >= kWidestWindow) {
            move_far(waiting);
            push_far(waiting, start, id);
            return;
        }
        if (highest - lowest > waiting.window_mask)
            widen_window(waiting, lowest, highest);
        waiting.lowest = lowest;
        waiting.highest = highest;
    }
    waiting.slot[start & waiting.window_mask] = id;
}

void settle_waiting(WaitingNames& waiting, uint64_t limit, uint64_t line,
                    std::vector<FoundName>& found) {
    std::deque<WaitingName>& far = waiting.far;
    if (!far.empty()) {
        while (!far.empty() && far.front().start < limit) {
            found.push_back(FoundName{far.front().id, line, far.front().start});
            std::pop_heap(far.begin(), far.end(), starts_later);
            far.pop_back();
            --waiting.count;
        }
        if (far.empty())
            far.shrink_to_fit();
        return;
    }
    while (waiting.count > 0 && waiting.lowest < limit) {
        uint32_t& id = waiting.slot[waiting.lowest & waiting.window_mask];
        if (id != kNoWaiting) {
            found.push_back(FoundName{id, line, waiting.lowest});
            id = kNoWaiting;
            --waiting.count;
        }
        ++waiting.lowest;
    }
}
