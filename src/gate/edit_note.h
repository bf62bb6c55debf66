#pragma once

#include <cstdint>

#include "scan/pair_matching.h"

// A note on where a finding's missing or extra name most likely belongs, and
// what that rests on (gate/edit_place.h finds it).

enum class EditBasis : uint8_t {
    indented_block_ends,    // the lines indented under `basis_line` end here
    labelled_block_ends,    // the lines at `basis_line`'s indentation or deeper end here
    indented_block_starts,  // the lines above, indented as a block, close at `basis_line`
    labelled_block_starts,  // the same, under labels at the close's indentation
    close_nests,       // `basis_line`'s open and `other_line`'s close name different things: right
                       // before
    open_nests,        // the same: right after the open
    closes_enclosing,  // `other_line` closes what `next_line` opens, around `basis_line`:
                       // right before
    after_names,       // the names before the close at `other_line` end on `basis_line`
    sibling_opens,     // `other_line` opens the same as `basis_line`, as indented: right before
    sibling_closes,    // `other_line` closes the same as `basis_line`, as indented: right after
    text_ends,         // nothing after `basis_line` closes it, and the text ends here
    branch_ends,       // the branch that holds `basis_line` ends at `other_line`
    open_on_line,      // `basis_line` holds an open with text after it, no close, nothing under it
    close_on_line,     // `basis_line` holds a close with text before it and no open
    body_starts,       // a document's close closes nothing; `basis_line` is the first to start with
                       // a command only its body holds (body_leads()[lead])
};

// What shows a line only a document's body holds.
enum class BodySign : uint8_t {
    none,
    command,      // it starts with body_leads()[lead]
    paragraph,    // a letter starts it after a blank line
    environment,  // it holds the open of another environment
};

struct EditNote {
    NamePlace place;  // the finding's, to look the note up by
    NamePlace edit;   // where the name belongs
    // The line whose bytes `edit.column` counts when not its own: a block's
    // end takes the indentation of the line the block comes under.
    uint64_t column_line = 0;
    uint32_t pair;
    bool missing_close;  // which name of the pair belongs there
    EditBasis basis;
    uint64_t basis_line;
    uint64_t other_line = 0;
    uint64_t next_line = 0;
    uint16_t lead = 0;
    BodySign body_sign = BodySign::none;
};
