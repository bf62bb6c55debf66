#include "rules/unread_rest.h"

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
