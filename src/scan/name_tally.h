#pragma once

#include <cstdint>
#include <vector>

#include "match/found_name.h"
#include "scan/occurrence_list.h"

// What the verdict rests on: each name counted, and the depth followed.
struct NameTally {
    std::vector<uint64_t> opn_num;  // by pair
    std::vector<uint64_t> cls_num;
    int64_t depth = 0;  // at the end of the text
    bool close_at_level_zero = false;
    bool judged_ok = false;  // the verdict, set by settle_verdict
};

void start_tally(NameTally& tally, size_t pairs);

// The verdict: judged OK unless a close name came at level 0, the depth did not
// return to 0, or a pair's counts differ.
void settle_verdict(NameTally& tally);

// Counts a batch of names and follows the depth, calling each_name(name) for
// every name in order. Hot: a change needs a benchmark run. Branch-free on the
// kind: open and close tags come in no predictable order.
template <typename EachName>
inline void tally_names(NameTally& tally, const std::vector<FoundName>& names,
                        EachName&& each_name) {
    uint64_t* counters[2] = {tally.opn_num.data(), tally.cls_num.data()};
    int64_t depth = tally.depth;
    bool close_at_level_zero = tally.close_at_level_zero;
    for (const FoundName& name : names) {
        uint32_t is_close = name.id & 1;
        close_at_level_zero |= enter_tag(depth, is_close) < 0;
        each_name(name);
        ++counters[is_close][name.id >> 1];
    }
    tally.depth = depth;
    tally.close_at_level_zero = close_at_level_zero;
}
