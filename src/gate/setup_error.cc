#include "gate/setup_error.h"

#include <iterator>

namespace {

// What a rule given the wrong arguments takes, by its keyword.
struct RuleArguments {
    const char* keyword;
    const char* takes;
};

constexpr RuleArguments kRuleArguments[] = {
    {"ignore-case", "no argument"},
    {"self-closing", "MARK and END"},
    {"tag-end", "END"},
    {"tag-quotes", "QUOTES"},
    {"tag-break", "one byte"},
    {"crossing", "error or warning"},
    {"spelling", "FROM and TO"},
    {"region", "START and END"},
    {"line-region", "START"},
    {"verb", "START"},
    {"definition", "START"},
    {"directive", "START"},
    {"end-of-text", "MARK"},
    {"declared-region", "MARK, START and END"},
    {"blank-runs", "no argument"},
    {"branch-start", "MARKs on one line, none empty or starting with a blank"},
    {"branch-else", "MARKs on one line, none empty or starting with a blank"},
    {"branch-end", "MARKs on one line, none empty or starting with a blank"},
    {"branch-false", "MARKs on one line, none empty or starting with a blank"},
    {"markers", "START"},
    {"branch-empty-else", "open NAMEs"},
};

std::string what_it_takes(const std::string& keyword) {
    for (const RuleArguments& rule : kRuleArguments) {
        if (keyword == rule.keyword)
            return rule.takes;
    }
    return "its arguments";
}

// A fault's words: what comes before the subject, whether the subject is
// named, and what comes after it; by RuleFault.
struct FaultWords {
    const char* before;
    bool names_subject;
    const char* after;
};

constexpr FaultWords kFaultWords[] = {
    {"", false, ""},
    {"blank expected after a quoted argument", false, ""},
    {"unknown escape in a quoted argument", false, ""},
    {"quoted argument without its closing '\"'", false, ""},
    {"unknown rule ", true, ""},
    {"", true, " takes "},
    {"verb takes START alone", false, ""},
    {"empty region mark", false, ""},
    {"unknown region option ", true, ""},
    {"", true, " takes one byte"},
    {"one MARK and END for all self-closing names", false, ""},
    {"spelling makes an empty name", false, ""},
    {"no name ", true, ""},
    {"no open name ", true, ""},
    {"a quoted argument holds no CR, LF or 0x1A", false, ""},
    {"CR without an LF after it", false, ""},
    {"byte 0x1A, which would end the file here", false, ""},
    {"", true, " given twice"},
    {"no region or line region starts with ", true, " before this rule"},
};
static_assert(std::size(kFaultWords) == static_cast<size_t>(RuleFault::no_comment_region) + 1,
              "one entry a fault");

std::string fault_text(const RulesRejection& rejection) {
    const FaultWords& words = kFaultWords[static_cast<size_t>(rejection.fault)];
    std::string text = words.before;
    if (words.names_subject)
        text += rejection.subject;
    text += words.after;
    if (rejection.fault == RuleFault::wrong_arguments)
        text += what_it_takes(rejection.subject);
    return text;
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
