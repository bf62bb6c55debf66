#include "gate/pair_matching.h"

void start_pair_matching(PairMatching& matching, size_t pairs) {
    matching = PairMatching{};
    matching.open_ranks.resize(pairs);
}
