#include "rules/unread_rest.h"

void forget_open_names(NameTally& tally, PairMatching& matching) {
    for (size_t pair = 0; pair < matching.unmatched_opens.size(); ++pair) {
        for (const PlaceRun& run : matching.unmatched_opens[pair])
            tally.cls_num[pair] += run.count;
        matching.unmatched_opens[pair].clear();
    }
    for (uint64_t i = 0; i < matching.opens.size; ++i)
        block_stack_item(matching.opens, i).matched = true;
    matching.unmatched = 0;
    matching.noteless.clear();
    tally.depth = 0;
    settle_verdict(tally);
}
