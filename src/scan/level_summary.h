#pragma once

#include <algorithm>
#include <cstdint>

// The depth walk of a run of tags as a function of the depth d it starts at:
// it ends at max(d + net, net - lowest), and a close tag meets depth 0 in it
// exactly when d + lowest < 0. lowest is the least value the walk reaches
// below its start when nothing clamps it (0 or less). Runs put one after
// another compose by the same two numbers.
struct LevelSummary {
    int64_t net = 0;
    int64_t lowest = 0;
};

inline void add_tag(LevelSummary& levels, bool is_close) {
    levels.net += is_close ? -1 : 1;
    levels.lowest = std::min(levels.lowest, levels.net);
}

inline int64_t depth_after(const LevelSummary& levels, int64_t start) {
    return std::max(start + levels.net, levels.net - levels.lowest);
}

inline bool meets_level_zero(const LevelSummary& levels, int64_t start) {
    return start + levels.lowest < 0;
}
