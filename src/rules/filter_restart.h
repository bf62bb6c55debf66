#pragma once

// Places the rules filter may start again from, noted as a check goes by, so
// that a later scan of a few lines (the edit notes' windows) need not read the
// whole file before them. A restart point stands at a line's start where the
// filter is at rest: no region, tag or directive line open, no hint or name
// waiting, and no more than kBranchDepth branch chains open. Names and hints
// hold no line end, and what the filter looks back at from a place stops at the
// line end before it, so from there on a scan whose filter holds what is noted
// here keeps exactly the names the check kept.
//
// What is noted is what decides which names are kept: where hints are passed
// over up to, the markers' checking, the count of open names, the branch
// chains' levels and the regions the text has declared. The branches' results
// (which only their warnings read) start empty.

#include <cstdint>
#include <vector>

#include "rules/declared_region.h"
#include "rules/open_names.h"
#include "rules/rules_branches.h"
#include "rules/rules_switch.h"

// The bytes of text between two restart points a check notes, at least.
constexpr uint64_t kRestartSpacing = uint64_t{256} << 10;

struct FilterRestart {
    uint64_t offset = 0;  // of the line's first byte
    uint64_t line = 1;
    uint64_t resume = 0;
    Checking checking;
    OpenNames open_names;
    std::vector<BranchLevel> levels;
    size_t uncounted = 0;
    size_t uncounted_deep = 0;
    DeclaredRegions declared;
};

// The last of `restarts` (in file order) at or before `line`'s start; null
// where there is none.
const FilterRestart* restart_before_line(const std::vector<FilterRestart>& restarts, uint64_t line);
