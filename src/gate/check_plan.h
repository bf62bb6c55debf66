#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "gate/gate_options.h"
#include "gate/stdin_input.h"

// What a run checks: the sets it needs and each file with its set, from the
// options, the map (when one is used), the folders walked and the names read
// from files.

struct CheckTarget {
    std::string name;  // as findings name it
    std::string path;  // what is opened: kStandardInputPath for standard input
    size_t set = 0;    // index into CheckPlan::set_dirs
};

struct CheckPlan {
    bool ok = false;
    std::string message;  // when not ok: what ends the run, line end included
    std::vector<std::string> set_dirs;
    std::vector<CheckTarget> targets;
    std::vector<std::string> problems;  // folders that could not be walked
};

// Throws std::bad_alloc.
CheckPlan make_check_plan(const GateOptions& options);
