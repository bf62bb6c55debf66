#pragma once

#include <string>

#include "gate/file_check.h"
#include "match/tag_matcher.h"
#include "tags/load_tag_table.h"
#include "tags/tag_table.h"
#include "text/file_reader.h"

// The checker's engine as the gate uses it: the lists loaded and compiled once,
// then shared read-only by every thread that checks files.
struct GateEngine {
    TagTable table;
    TagMatcher matcher;
};

// Loads the two list files from `lists_dir` by the checker's rules. False, with
// the reason, when the lists are rejected. Throws std::bad_alloc.
bool load_gate_engine(const std::string& lists_dir, GateEngine& engine, ListRejection& rejection);

// Scans one file as the checker does, through `reader` (each thread keeps one, so
// that its buffer serves every file), matching the names pair by pair as they
// come: no list of them is kept. Never throws.
FileCheck check_one_file(const GateEngine& engine, const std::string& name, FileReader& reader);
