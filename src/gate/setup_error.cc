#include "gate/setup_error.h"

namespace {

// What a rule given the wrong arguments takes, by its keyword.
std::string what_it_takes(const std::string& keyword) {
    if (keyword == "ignore-case")
        return "no argument";
    if (keyword == "self-closing")
        return "MARK and END";
    if (keyword == "tag-end")
        return "END";
    if (keyword == "spelling")
        return "FROM and TO";
    if (keyword == "region")
        return "START and END";
    return "START";
}

std::string fault_text(const RulesRejection& rejection) {
    const std::string& subject = rejection.subject;
    switch (rejection.fault) {
        case RuleFault::none:
            break;
        case RuleFault::blank_after_quote:
            return "blank expected after a quoted argument";
        case RuleFault::unknown_escape:
            return "unknown escape in a quoted argument";
        case RuleFault::unclosed_quote:
            return "quoted argument without its closing '\"'";
        case RuleFault::unknown_rule:
            return "unknown rule " + subject;
        case RuleFault::wrong_arguments:
            return subject + " takes " + what_it_takes(subject);
        case RuleFault::verb_start_alone:
            return "verb takes START alone";
        case RuleFault::empty_region_mark:
            return "empty region mark";
        case RuleFault::unknown_region_option:
            return "unknown region option " + subject;
        case RuleFault::option_takes_byte:
            return subject + " takes one byte";
        case RuleFault::one_self_close_mark:
            return "one MARK and END for all self-closing names";
        case RuleFault::empty_spelling:
            return "spelling makes an empty name";
        case RuleFault::no_name:
            return "no name " + subject;
        case RuleFault::no_open_name:
            return "no open name " + subject;
    }
    return {};
}

// The rejection, with where the lists were looked for and how to name another
// directory when there are none.
std::string lists_message(const SetupError& error) {
    std::string message = rejection_text(error.lists) + "\n";
    if (error.no_list_files) {
        bool here = error.lists_dir.empty() || error.lists_dir == ".";
        message += "tamberlox-gate: no list files in " +
                   (here ? std::string("the current directory") : error.lists_dir) +
                   "; name their directory with --lists=DIR.\n";
    }
    // What a set of names only its rules keep apart shows when its rules file
    // was left behind.
    if (error.rules_missing) {
        bool here = error.lists_dir.empty() || error.lists_dir == ".";
        message += std::string("tamberlox-gate: no ") + kRulesFile + " in " +
                   (here ? std::string("the current directory") : error.lists_dir) +
                   ": a set whose names only its rules keep apart needs it (copy every "
                   "_tamberlox_* file of a set).\n";
    }
    return message;
}

}  // namespace

std::string rules_rejection_text(const RulesRejection& rejection) {
    switch (rejection.kind) {
        case RulesRejectionKind::none:
            break;
        case RulesRejectionKind::cannot_open:
            return "ERROR : can't open " + rejection.path + ".";
        case RulesRejectionKind::cannot_read:
            return "ERROR : can't read " + rejection.path + ".";
        case RulesRejectionKind::bad_rule:
            return "ERROR : " + rejection.path + ", line " + std::to_string(rejection.line) + ": " +
                   fault_text(rejection) + ".";
    }
    return {};
}

std::string setup_error_message(const SetupError& error) {
    switch (error.kind) {
        case SetupErrorKind::none:
            break;
        case SetupErrorKind::usage:
            return "tamberlox-gate: " + error.usage +
                   "\nTry 'tamberlox-gate --help' for more information.\n";
        case SetupErrorKind::lists:
            return lists_message(error);
        case SetupErrorKind::rules:
            return rules_rejection_text(error.rules) + "\n";
    }
    return {};
}
