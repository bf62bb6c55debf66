#pragma once

// One large regular file scanned on several threads. The file is cut into
// ranges that begin at line starts; each thread reads its ranges with pread
// into its own buffer and scans them with the shared, read-only matcher. Names
// never cross a line end, so a range's occurrences do not depend on the others;
// only their line numbers and levels do, and those are put together afterwards
// in file order: a range shifts the line numbers by its line count, and moves
// the depth by a function of the depth it starts at (LevelSummary).
//
// The text rules hold as on one thread: the file ends at its first 0x1A (the
// range holding it is cut there, the ranges behind it are dropped); a CR ends a
// line's text, and a range never starts inside a line.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "match/tag_matcher.h"
#include "scan/level_summary.h"
#include "scan/name_tally.h"
#include "scan/occurrence_list.h"
#include "scan/range_plan.h"
#include "tags/tag_table.h"

// Where the report may start reading a range's list: at every occurrence
// block's start, and every kPieceOccurrences occurrences within a block, so
// that the threads formatting the report share it in small pieces.
struct PieceStart {
    OccurrenceMark mark;  // its line counted within the range
    LevelSummary before;
};

constexpr uint64_t kPieceOccurrences = 4096;

struct RangeScan {
    uint64_t begin = 0;  // the file's bytes [begin, end), end cut at a 0x1A
    uint64_t end = 0;
    OccurrenceList occurrences;  // the range's first line is line 1
    std::vector<PieceStart> piece_starts;
    uint64_t next_piece_at = 0;  // the count at which the next piece starts
    uint64_t line_ends = 0;
    LevelSummary levels;
    // The deepest the walk goes above its start, clamping included: at most
    // the largest net - lowest of its prefixes.
    int64_t peak = 0;
    bool end_of_file_byte = false;  // the file's text ends in this range
    bool read_error = false;
    bool out_of_memory = false;
    // Set once every range is scanned.
    uint64_t lines_before = 0;
    int64_t start_depth = 0;
};

struct ParallelScan {
    std::vector<RangeScan> ranges;  // in file order, none behind the first 0x1A
    NameTally totals;               // verdict settled
    // A range that reading on one thread would reach could not be read.
    bool read_error = false;
    int64_t deepest = 0;  // no lvl is deeper
    // The threads' read buffers, of plan.read_bytes, for the report to reuse.
    std::vector<std::unique_ptr<char[]>> read_buffers;
};

// Scans the first `size` bytes of the file open as fd (the last range reads
// on to the end of the file) and puts the ranges together in `scan`. A read
// error in any range that reading on one thread would reach sets read_error. Throws std::bad_alloc
// when memory runs out.
void scan_in_parallel(int fd, uint64_t size, const TagMatcher& matcher, const TagTable& table,
                      const ParallelPlan& plan, ParallelScan& scan);
