#pragma once

// Why a run of the gate cannot start, as one value: wrong arguments, rejected
// lists or a rejected rules file. The option parser and the engine's load
// return it; only the driver words it (setup_error_message) and ends the run.

#include <string>

#include "rules/rules_file.h"
#include "tags/load_tag_table.h"

enum class SetupErrorKind { none, usage, lists, rules };

struct SetupError {
    SetupErrorKind kind = SetupErrorKind::none;
    std::string usage;           // usage: what is wrong with the arguments
    ListRejection lists;         // lists
    std::string lists_dir;       // lists: where they were looked for
    bool no_list_files = false;  // lists: the open list is not there at all
    bool rules_missing = false;  // lists: names collide and no rules file lies beside them
    RulesRejection rules;        // rules
};

inline bool failed(const SetupError& error) {
    return error.kind != SetupErrorKind::none;
}

// The rules rejection in one line without its line end, as rejection_text says
// a list's: "ERROR : PATH, line N: why."
std::string rules_rejection_text(const RulesRejection& rejection);

// The message the run ends with, its line ends included.
std::string setup_error_message(const SetupError& error);
