#pragma once

#include <string>

#include <vector>

#include "gate/edit_place.h"
#include "gate/file_check.h"
#include "gate/findings.h"
#include "gate/gate_engine.h"

// The notes on where the missing or extra name of a file's findings belongs:
// after the check, the file is read again for the few lines around the first
// kMostEditNotes findings at names (gate/edit_place.h tells how the place is
// found). Memory stays within what those lines hold; standard input is not
// read again, and gets none.

constexpr size_t kMostEditNotes = 32;

// The lines read before or after a finding, at most.
constexpr uint64_t kEditReach = 20000;

// The notes for `queries` (in file order, kMostEditNotes at most) from the
// file at `path`, read again around them, from the restart points its check
// noted where there are some; none when it cannot be read again. Throws
// std::bad_alloc.
std::vector<EditNote> find_edit_notes(const GateEngine& engine, const std::string& path,
                                      const std::vector<EditQuery>& queries,
                                      const std::vector<FilterRestart>& restarts);

// Adds the notes to a checked file found at `path`; none when it cannot be
// read again or memory runs out. Never throws.
void add_edit_notes(const GateEngine& engine, const std::string& path, FileCheck& check,
                    const std::vector<FilterRestart>& restarts);

// The note on where the finding's missing or extra name belongs; false for none.
bool edit_note_of(const FileCheck& check, const Finding& finding, EditNote& note);
