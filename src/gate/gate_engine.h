#pragma once

#include <string>

#include "gate/column_unit.h"
#include "gate/file_check.h"
#include "gate/setup_error.h"
#include "match/tag_matcher.h"
#include "rules/rules_matcher.h"
#include "tags/load_tag_table.h"
#include "tags/tag_table.h"
#include "text/file_reader.h"

// The checker's engine as the gate uses it: the lists loaded and compiled once,
// then shared read-only by every thread that checks files. With a rules file
// beside the lists, the names are found through the rules matcher and filtered
// by the rules (rules/rules_filter.h) on their way to the pair matching.
struct GateEngine {
    TagTable table;
    TagMatcher matcher;  // without rules
    bool has_rules = false;
    RulesMatcher rules;
};

// Loads the two list files from `lists_dir`, and the rules file when there is
// one. Names that could meet are rejected by the checker's rule, or under rules
// by the rules' own. Returns why the lists or the rules are rejected, or none.
// Throws std::bad_alloc.
SetupError load_gate_engine(const std::string& lists_dir, GateEngine& engine);

// Scans one file (standard input for kStandardInputPath) as the checker does, through `reader`
// (each thread keeps one, so that its buffer serves every file), matching the names pair by pair as
// they come: no list of them is kept; the columns of the findings are then counted in `unit`
// (gate/finding_columns.h). Never throws.
FileCheck check_one_file(const GateEngine& engine, const std::string& name, FileReader& reader,
                         ColumnUnit unit = ColumnUnit::byte);
