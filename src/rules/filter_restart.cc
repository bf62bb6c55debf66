#include "rules/filter_restart.h"

#include <algorithm>

const FilterRestart* restart_before_line(const std::vector<FilterRestart>& restarts,
                                         uint64_t line) {
    auto after = std::upper_bound(restarts.begin(), restarts.end(), line,
                                  [](uint64_t l, const FilterRestart& r) { return l < r.line; });
    return after == restarts.begin() ? nullptr : &*(after - 1);
}
