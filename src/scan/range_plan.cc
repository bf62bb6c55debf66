#include "scan/range_plan.h"

#include <algorithm>

uint64_t range_count(const ParallelPlan& plan, uint64_t size) {
    uint64_t threads = std::max<size_t>(plan.threads, 1);
    uint64_t per_round = threads * std::max<uint64_t>(plan.range_bytes, 1);
    uint64_t count = threads * std::max<uint64_t>(1, (size + per_round - 1) / per_round);
    return std::min(count, std::max<uint64_t>(size, 1));
}
