#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// What a person reads of a line's layout, read from the file's bytes on a few
// ranges of lines only: how far its text is indented, where the text starts
// and ends, and the word that stands right after a given column.

// What a line that a person reads past holds: a comment or directive, or a
// branch mark (`#if`, `#else`, `#endif`).
enum class LineAside : uint8_t { none, comment, branch_start, branch_other, branch_end };

struct LineShape {
    uint32_t indent = 0;        // in columns, a tab to the next multiple of 8
    uint32_t first_column = 0;  // byte column of the first non-blank byte, 0 on a blank line
    uint32_t end_column = 0;    // byte column after the last non-blank byte, 0 on a blank line
    LineAside aside = LineAside::none;
    bool letter_first = false;  // a letter is its first non-blank byte
    uint16_t lead = 0;          // 1 + the index of the lead mark the line starts with, 0 for none
};

inline bool is_blank(const LineShape& shape) {
    return shape.first_column == 0;
}

// A line a person reads past when following the indentation: blank, or a
// comment or directive line (a `#if` at column 0 inside a function's body).
inline bool is_aside(const LineShape& shape) {
    return is_blank(shape) || shape.aside != LineAside::none;
}

// What starts an aside line: its bytes, a blank standing for a run of spaces
// and tabs (none included), compared without case when `fold` is set.
struct AsideMark {
    std::string text;
    LineAside kind;
    std::string end{};  // a comment's that runs on to it over the lines after
};

// Besides, the marks a line that is not aside is noted as starting with
// (`leads`): a mark that ends with a letter stands for a whole word, and
// `\part` starts no `\partial`.
struct AsideMarks {
    std::vector<AsideMark> marks;
    bool fold = false;
    std::vector<std::string> leads{};
};

// The first of the marks that `text` (a line's bytes from its first non-blank
// one) starts with; nullptr for none.
const AsideMark* starts_aside(const AsideMarks& asides, std::string_view text);

// 1 + the index of the first of the leads that `text` (as starts_aside's)
// starts with; 0 for none.
uint16_t starts_lead(const AsideMarks& asides, std::string_view text);

// Lines `first` to `last`, both included.
struct LineRange {
    uint64_t first;
    uint64_t last;
};

// A column whose following word is wanted: the letters, digits, '_', '*' and
// '-' from there on, starting with a letter; none when another byte stands
// there.
struct WordSpot {
    uint64_t line;
    uint64_t column;
};

// The hash of a word as read at a spot; 0 for an empty word.
uint64_t word_hash(std::string_view word);

struct LineShapes {
    std::vector<LineRange> ranges;      // sorted and apart
    std::vector<uint64_t> range_start;  // each range's first index in `shapes`
    std::vector<LineShape> shapes;
    std::vector<uint64_t> words;  // a hash of each spot's word, 0 for none; in the spots' order
    uint64_t end_line = 0;        // when the ranges reach the text's end: its last line
};

// Sorts `ranges` and joins those that meet.
std::vector<LineRange> join_ranges(std::vector<LineRange> ranges);

// Reads the lines of `ranges` (join_ranges's) from the file at `path`, and the
// words at `spots` (sorted by line and column, on those lines); a line is
// aside when it starts with one of `asides`. False when the file cannot be
// read. Throws std::bad_alloc.
bool read_line_shapes(const std::string& path, const std::vector<LineRange>& ranges,
                      const std::vector<WordSpot>& spots, LineShapes& shapes,
                      const AsideMarks& asides = {});

// The shape of `line`, or nullptr when it lies outside the ranges read.
const LineShape* line_shape(const LineShapes& shapes, uint64_t line);
