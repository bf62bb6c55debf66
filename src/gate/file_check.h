#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <vector>

#include "gate/edit_note.h"
#include "rules/rules_branches.h"
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
    bool ended_in_region = false;  // under rules: the text ended inside a region or a tag
    bool ended_in_tag = false;
    NamePlace region_place{0, 0};  // where that region or tag started
    std::string region_start;      // that region's START, or the tag's name
    std::string region_end;        // and the END it waited for
    // Under tag-break: the tags a break byte ended before their END, by the
    // break's place and the tag's name id; that END and the byte.
    std::vector<std::pair<NamePlace, uint32_t>> broken_tags;
    std::string tag_end;
    std::string tag_break;
    bool crossing_errors = false;                // under the crossing rule
    std::vector<BranchWarning> branch_warnings;  // under rules, in file order
    bool switched_off = false;                   // under rules: a marker turned checking off
    std::vector<uint8_t> pairs_by_branches;      // by pair: nests apart in their branches
    std::vector<EditNote> edit_notes;            // by their findings' places (gate/edit_notes.h)
};
