#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gate/gate_engine.h"
#include "gate/line_shapes.h"

// The names of a file that stand on a few ranges of lines, found by scanning
// the file once more as the check did; no other name is kept.

struct WindowName {
    NamePlace place;
    uint32_t pair;
    uint32_t length;  // in bytes, as listed
    bool is_close;
};

// The names on the lines of `ranges` (join_ranges's), in file order; false when
// the file cannot be read again or more than `most` names stand there. A range
// is read from the last of `restarts` (the check's) before it, or from the
// file's start; the ranges after one restart point share one read. Throws std::bad_alloc.
bool find_window_names(const GateEngine& engine, const std::string& path,
                       const std::vector<LineRange>& ranges, size_t most,
                       const std::vector<FilterRestart>& restarts, std::vector<WindowName>& names);
