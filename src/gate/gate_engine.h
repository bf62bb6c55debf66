#pragma once

#include <string>

#include "gate/column_unit.h"
#include "gate/file_check.h"
#include "gate/setup_error.h"
#include "match/tag_matcher.h"
#include "rules/rules_filter.h"
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

// Scans the source's text (a FileReader, or a source in front of one) through
// the engine into `sink`, the rules' filter in front of it when there are
// rules; `filter` is then the filter's state after the scan (each thread keeps
// one, so that its buffers serve every file), with the restart points it
// noted. With `from`, one of those points, the source's text starts there.
// Throws std::bad_alloc.
template <typename Source, typename Sink>
ReadStatus scan_through_engine(const GateEngine& engine, Source& source, Sink& sink,
                               RulesFilterState** filter = nullptr,
                               const FilterRestart* from = nullptr) {
    if (!engine.has_rules)
        return scan_text(engine.matcher, source, sink);
    static thread_local RulesText text;
    static thread_local RulesFilterState state;
    start_rules_text(text, engine.rules.keeping);
    start_rules_filter(state, engine.rules, text);
    TextStart start;
    if (from != nullptr) {
        resume_rules_text(text, from->offset);
        resume_rules_filter(state, *from);
        start = {from->offset, from->line};
    }
    RulesSink<Sink> rules_sink{state, sink};
    RulesSource<Source> rules_source{source, engine.rules, text};
    if (filter != nullptr) {
        note_filter_restarts(state);
        *filter = &state;
    }
    return scan_text(engine.rules.matcher, rules_source, rules_sink, start);
}
