#pragma once

// The lines of the report, shared by the report on one thread and the one
// formatted on several. A line of the tag structure: "*    " for lvl -1,
// otherwise lvl + 1 in a field of 3 characters and 4 * lvl + 2 blanks; then
// the name, " : ", the line number and a line end.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "scan/name_tally.h"
#include "scan/occurrence_list.h"
#include "tags/tag_table.h"
#include "text/output_buffer.h"

// Texts are copied 16 bytes at a time, at least 32; the copy may run past a
// text's end, so every text has 32 readable bytes after it, and the output
// keeps 32 spare.
constexpr size_t kCopyBlock = 16;
constexpr size_t kCopySpare = 2 * kCopyBlock;

// A text formatted once, in a writer's arena.
struct ArenaText {
    size_t offset;
    size_t length;
};

// A structure line is put together from texts formatted once: the level
// prefix, the name with " : ", the line number with its line end. One writer
// per thread.
struct StructureWriter {
    std::vector<char> arena;
    // Index lvl + 1, for lvl below kCachedLevels (print_report.cc).
    std::vector<ArenaText> level_prefix;
    std::vector<ArenaText> name_text;  // by name id: 2 * pair, + 1 for a close name
    uint64_t line = 0;
    char line_text[20 + 1 + kCopySpare];  // the line number and a line end
    size_t line_length = 0;
};

StructureWriter make_structure_writer(const TagTable& table);

// Hot: a change needs a benchmark run. Flushes `out` only when the line and
// kCopySpare do not fit in the room left. False once a write has failed; the
// common case returns true without a test.
bool put_occurrence(OutputBuffer& out, StructureWriter& writer, const TagOccurrence& occurrence);

// The longest structure line of an occurrence with lvl up to `deepest`.
uint64_t longest_structure_line(const TagTable& table, int64_t deepest);

// The end of the report after the tag structure: the tag numbers and the
// settled verdict of `tally`. False when a write failed.
bool put_numbers_and_verdict(OutputBuffer& out, const NameTally& tally, const TagTable& table);
