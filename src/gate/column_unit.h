#pragma once

#include <cstdint>
#include <string_view>

// What a column counts. The scan counts bytes; a finding's column is counted
// again in the unit asked for from the bytes of its line before the name:
// - display: the columns a terminal shows, as GCC's display columns and the
//   GNU Coding Standards count them: a tab runs to the next multiple of 8, a
//   wide East Asian character takes 2, a combining one 0, any other character 1;
// - character: one a Unicode code point;
// - byte: one a byte, the scan's own count.
// The bytes are read as UTF-8; a byte that starts no valid sequence (an
// overlong form, a surrogate, beyond U+10FFFF, cut short) counts 1 on its own.

enum class ColumnUnit : uint8_t { display, character, byte };

// The unit's name, as --column-unit takes it.
const char* column_unit_name(ColumnUnit unit);

// The width of code point `code` on a terminal: 0, 1 or 2.
int display_width(uint32_t code);

// Counts columns along a line, character by character.
struct ColumnCount {
    uint64_t at = 0;     // the bytes of the line counted
    uint64_t width = 0;  // the columns they take
};

// Counts the bytes of `line` (its bytes from its start) up to `to`, or up to the
// character that holds the byte `to` when `to` falls inside one; returns the
// column at `to`, from 1. Counting on from an earlier `count` on the same line
// takes only the bytes between.
uint64_t count_column(ColumnCount& count, std::string_view line, uint64_t to, ColumnUnit unit);
