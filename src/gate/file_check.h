#pragma once

#include <cstdint>

#include <vector>

#include "gate/edit_note.h"
#include "scan/name_tally.h"
#include "scan/pair_matching.h"

// What the gate learns about one checked file: the checker's own verdict, the
// per-pair counts and the names found, matched pair by pair; or why the file
// could not be checked.

enum class FileStatus { checked, cannot_open, cannot_read, out_of_memory };

struct FileCheck {
    FileStatus status = FileStatus::checked;
    int error_number = 0;  // the system's errno when the file could not be checked; 0: none given
    NameTally tally;       // the counts and the checker's verdict
    PairMatching matching;
    bool ended_in_region = false;      // under rules: the text ended inside a region or a tag
    NamePlace region_place{0, 0};      // where that region or tag started
    std::vector<EditNote> edit_notes;  // by their findings' places (gate/edit_notes.h)
};
