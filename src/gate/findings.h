#pragma once

#include <cstdint>

#include "gate/file_check.h"

// Where the nesting breaks, pair by pair: a close name matches the latest
// unmatched open name of its own pair.
// - a close name with nothing to match closes nothing;
// - an open name left unmatched at the end is never closed, with a note at
//   the close of an open that encloses it, when one does;
// - a close whose span crosses a later-closed span of another pair is a
//   warning at that close (the checker's shared level accepts it), an error
//   under the crossing rule;
// - under tag-break, a tag the break byte ends before its END is an error at
//   that byte;
// - under branch rules, a branch that ends at another nesting than its chain's
//   counting branch is a warning at the branch's mark, and makes every
//   unmatched name and differing count of the pairs the branches differ in a
//   warning;
// - a file with no listed name gets one finding about the whole file; so would a
//   pair whose counts differ if the names left unmatched did not account for
//   the difference, which they always do (each unmatched open and each stray
//   close is a finding of its own).
// Unmatched names are errors in a file judged "Errors may exist." and warnings
// in a file judged OK (the shared level can balance "( } { )"). With `strict`
// every warning is an error.
//
// The findings are read off the pair matching one at a time, in file order:
// those about the whole file first (they stand at line 1, column 1 where a
// format needs a place), then those at names by line and column, each with its
// notes right after it, then the text's end inside a region. None is kept but
// the matching's own records.

enum class Severity : uint8_t { warning, error };

enum class FindingKind : uint8_t {
    closes_nothing,
    never_closed,
    crosses,
    ends_in_region,  // under rules: the text ends inside a region or a tag
    counts_differ,
    no_name,
    broken_tag,       // under tag-break: a tag ended by the break byte before its END
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
    {FindingKind::broken_tag, "broken-tag", "BrokenTag",
     "A tag has no end before the byte that starts the next one."},
    {FindingKind::branches_differ, "branches-differ", "BranchesDiffer",
     "A conditional branch ends at another nesting than its chain's first branch."},
};

const char* finding_id(FindingKind kind);

// Where a format that needs a place puts a finding about the whole file.
constexpr NamePlace kWholeFilePlace{1, 1};

struct Finding {
    NamePlace place{0, 0};  // line 0 for a finding about the whole file
    uint64_t record = 0;    // never_closed: its open's place; crosses: its pending close;
                            // broken_tag: the name's id
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
    uint64_t next_broken = 0;
    uint64_t next_branch = 0;
    uint32_t next_pair = 0;
    bool region_done = false;
    bool whole_file_done = false;
};

// The next finding in file order; false after the last.
bool next_finding(FindingWalk& walk, Finding& finding);

enum class NoteKind : uint8_t {
    enclosing_close,  // the close of an open that encloses one never closed
};

// A place a finding points to besides its own, written right after it.
struct FindingNote {
    NamePlace place;
    uint32_t pair;  // of the name there
    NoteKind kind;
};

constexpr size_t kMostNotes = 4;

struct FindingNotes {
    FindingNote notes[kMostNotes];
    size_t count = 0;
};

// The notes of a finding, in the order they are written after it; the one
// place where a kind of note is added.
FindingNotes notes_of(const FileCheck& check, const Finding& finding);

// Why a run ends when findings kept in a spill file cannot be read back.
constexpr const char* kGateSpillError = "tamberlox-gate: can't read back a temporary file\n";

// The pending close a crossing is read off.
const PendingClose& crossing_of(const FileCheck& check, const Finding& finding);

// A file fails when it could not be checked or has an error.
bool file_fails(const FileCheck& check, bool strict);
