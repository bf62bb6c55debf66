#pragma once

#include <cstdint>
#include <vector>

#include "gate/edit_body_start.h"
#include "gate/edit_note.h"
#include "gate/findings.h"
#include "gate/line_shapes.h"
#include "gate/window_names.h"

// Where a missing or extra name most likely belongs, from what a person reads
// around a finding: the lines' indentation, the blank lines, and the word
// that follows an open and a close name. Each place says what it rests on;
// where nothing goes by, there is none.
//
// - An open never closed: the first matched pair of its own after it whose
//   close stands shallower than its open's line (or whose words differ)
//   shows the open whose close is missing, else the open itself does; the
//   close belongs where the lines indented under that open's line end.
// - A close that closes nothing: the innermost of the matched pairs before it
//   whose close stands deeper than its open's line (or whose words differ)
//   shows the close whose open is missing, else the close itself does; the
//   open belongs at the end of the line the indented lines above that close
//   come under.
// - A document's close (edit_body_start.h) that closes nothing, with no
//   document's open before it: the open belongs before the first line that
//   starts with a command only a document's body holds, if one is read from
//   the text's first line on.
// - A crossing: a close deeper than its own open's line is read as above;
//   otherwise the crossed open is read as one never closed, up to the close.
// Without indentation, words that differ point at the nearest blank line
// between the pairs inside and the close.

// A finding as the search for its place sees it.
struct EditQuery {
    FindingKind kind;
    NamePlace place;  // the finding's name
    uint32_t pair;
    uint64_t bound_line = 0;    // never closed: the enclosing close's line, 0 for none
    uint64_t open_line = 0;     // crosses: the line of the close's own open
    uint64_t crossed_line = 0;  // crosses: the line of the open still open
    uint32_t crossed_pair = 0;
};

// What the search sees of the file: the names on the lines read, each with the
// hash of the word right after it (0 for none), and the lines' shapes.
struct EditView {
    const std::vector<WindowName>& names;
    const std::vector<uint64_t>& words;
    const LineShapes& shapes;
    BodyStart body{};  // the set's pair that holds a document, if any
};

// The lines the search for `query` reads, at most `reach` lines.
LineRange edit_query_lines(const EditQuery& query, uint64_t reach);

// Where the name the query's finding misses or has too many belongs, from
// the lines edit_query_lines(query, reach) only; false when nothing goes by.
bool find_edit_place(const EditQuery& query, const EditView& view, uint64_t reach, EditNote& note);
