#include "scan/name_tally.h"

void start_tally(NameTally& tally, size_t pairs) {
    tally = NameTally{};
    tally.opn_num.assign(pairs, 0);
    tally.cls_num.assign(pairs, 0);
}

void settle_verdict(NameTally& tally) {
    bool counts_differ = tally.opn_num != tally.cls_num;
    tally.judged_ok = !tally.close_at_level_zero && tally.depth == 0 && !counts_differ;
}
