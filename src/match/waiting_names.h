#pragma once

// Matches that wait for every earlier start to be settled, when a name holds
// another before its own end and matches can end out of order of their starts.
// They all stand on the line under way: every match waiting is handed out when
// that line ends, so none keeps its line.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

#include "match/found_name.h"

struct WaitingName {
    uint64_t start;
    uint32_t id;
};

// Near one another they wait in a window of ids by start & window_mask, their
// starts within [lowest, highest]; it grows with the distance between them up
// to kWidestWindow. Further apart (a long name in the text, holding others),
// they wait in `far`, a heap by start, 16 bytes each, so that memory follows
// their number, not the distance.
struct WaitingNames {
    std::vector<uint32_t> slot;  // kNoWaiting where none waits
    size_t window_mask = 0;
    uint64_t lowest = 0;
    uint64_t highest = 0;
    size_t count = 0;
    std::deque<WaitingName> far;
};

constexpr size_t kWidestWindow = size_t{1} << 16;
constexpr uint32_t kNoWaiting = UINT32_MAX;

void start_waiting(WaitingNames& waiting, size_t longest_name);

void add_waiting(WaitingNames& waiting, uint64_t start, uint32_t id);

// Hands out, on `line`, the waiting matches whose start is below `limit`.
void settle_waiting(WaitingNames& waiting, uint64_t limit, uint64_t line,
                    std::vector<FoundName>& found);
