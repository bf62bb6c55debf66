#pragma once

#include <cstdint>

#include "gate/file_check.h"

// Where the nesting breaks, pair by pair: a close name matches the latest
// unmatched open name of its own pair.
// - a close name with nothing to match closes nothing;
// - an open name left unmatched at the end is never closed, with a note at
//   the close of an open that encloses it, when one does;
// - a close whose span crosses a later-closed span of another pair is a
//   warning at that close (the checker's shared level accepts it);
// - under branch rules, a branch that ends at another nesting than its chain's
//   counting branch is a warning at the branch's mark, and makes every
//   unmatched name and differing count of the pairs the branches differ in a
//   warning;
// - a pair whose counts differ gets one line; so does a file with no listed name.
// Unmatched names are errors in a file judged "Errors may exist." and warnings
// in a file judged OK (the shared level can balance "( } { )"). With `strict`
// every warning is an error.
//
// The findings are read off the pair matching one at a time, in file order,
// the findings about the whole file last: none is kept but the matching's
// own records.

enum class Severity : uint8_t { warning, error };

enum class FindingKind : uint8_t {
    closes_nothing,
    never_closed,
    crosses,
    ends_in_region,  // under rules: the text ends inside a region or a tag
    counts_differ,
    no_name,
    branches_differ,  // under rules: a branch ends at another nesting than the counting one
};

// Each kind with its id for programs that read the findings (short,
// kebab-case, and never changed once given), a name for people, and a
// sentence on what it means. In the order of the kinds.
struct FindingKindInfo {
    FindingKind kind;
    const char* id;
    const char* name;
    const char* summary;
};

constexpr FindingKindInfo kFindingKinds[] = {
    {FindingKind::closes_nothing, "closes-nothing", "ClosesNothing",
     "A close name matches no open name of its pair."},
    {FindingKind::never_closed, "never-closed", "NeverClosed",
     "An open name is never closed by its pair."},
    {FindingKind::crosses, "crosses", "CrossingSpans",
     "A pair's span crosses the span of another pair."},
    {FindingKind::ends_in_region, "ends-in-region", "EndsInRegion",
     "The text ends inside a region or a tag that the rules start."},
    {FindingKind::counts_differ, "counts-differ", "CountsDiffer",
     "A pair's open and close names occur a different number of times."},
    {FindingKind::no_name, "no-listed-name", "NoListedName", "No listed name occurs in the file."},
    {FindingKind::branches_differ, "branches-differ", "BranchesDiffer",
     "A conditional branch ends at another nesting than its chain's first branch."},
};

const char* finding_id(FindingKind kind);

struct Finding {
    NamePlace place{0, 0};  // line 0 for a finding about the whole file
    uint64_t record = 0;    // never_closed: its open's place; crosses: its pending close
    uint32_t pair = 0;
    FindingKind kind = FindingKind::no_name;
    Severity severity = Severity::warning;
};

// Where a walk over a file's findings stands.
struct FindingWalk {
    const FileCheck& check;
    bool strict;
    uint64_t next_close = 0;
    uint64_t next_open = 0;
    uint64_t next_pending = 0;
    uint64_t next_branch = 0;
    uint32_t next_pair = 0;
    bool region_done = false;
    bool whole_file_done = false;
};

// The next finding in file order; false after the last.
bool next_finding(FindingWalk& walk, Finding& finding);

// The note of a finding that is never closed: the close where it should have
// closed; false when no open encloses it.
bool note_of(const FileCheck& check, const Finding& finding, NoteRecord& note);

// A file fails when it could not be checked or has an error.
bool file_fails(const FileCheck& check, bool strict);
