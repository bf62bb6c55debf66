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

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "match/tag_matcher.h"
#include "scan/occurrence_list.h"
#include "scan/scan_file.h"
#include "tags/tag_table.h"

// How the work is cut. The defaults are what a check run uses; tests choose
// tiny sizes so that small files cross every edge.
struct ParallelPlan {
    size_t threads = 2;
    // A range's nominal size: small enough for the threads to end together.
    uint64_t range_bytes = 4 << 20;
    // A fresh page costs as much as scanning many KB: the report formats into
    // the read buffers, and few blocks more.
    size_t read_bytes = 128 * 1024;  // one pread
    size_t output_block_bytes = 128 * 1024;
    size_t output_blocks = 4;  // per formatting thread
    // For tests: a read that reaches this offset fails, as on a damaged disk.
    uint64_t unreadable_from = UINT64_MAX;
};

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

// Where the report may start reading a range's list: at every occurrence
// block's start, and every kPieceOccurrences occurrences within a block, so
// that the threads formatting the report share it in small pieces.
struct PieceStart {
    size_t block;        // of the occurrence list
    size_t pos;          // within the block
    uint64_t count;      // occurrences before it in the range
    uint64_t last_line;  // of the occurrence before it, counted within the range
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
    ScanResult totals;              // all but the occurrences, verdict settled
    int64_t deepest = 0;            // no lvl is deeper
    // The threads' read buffers, of plan.read_bytes, for the report to reuse.
    std::vector<std::unique_ptr<char[]>> read_buffers;
};

// Scans the first `size` bytes of the file open as fd (the last range reads
// on to the end of the file) and puts the ranges together in `scan`. A read
// error in any range that reading on one thread would reach sets
// totals.read_error. Throws std::bad_alloc when memory runs out.
void scan_in_parallel(int fd, uint64_t size, const TagMatcher& matcher, const TagTable& table,
                      const ParallelPlan& plan, ParallelScan& scan);
