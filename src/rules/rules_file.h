#pragma once

// The optional rules file of a list set: how the gate reads the set's names.
// One rule a line; blank lines and lines whose first non-blank byte is '#' are
// ignored. A rule is a keyword and its arguments, separated by blanks (spaces,
// tabs). An argument is its bytes as they stand, unless it starts with '"': then
// it runs to the next unescaped '"' and may hold blanks and the escapes \" \\ \t
// and \xHH (any byte but CR, LF and 0x1A). A CR stands only before an LF, a
// 0x1A nowhere, and a UTF-8 byte-order mark at the start is skipped. The rules:
//
//   ignore-case                  names, region marks and the self-closing marks
//                                match whatever their ASCII case
//   word-end [NAME...]           the names given (every list name without any)
//                                match only where the next byte of the line is
//                                no word byte (letter, digit, - _ : .)
//   self-closing MARK END [NAME...]
//                                an open name (every one without any) whose tag,
//                                up to the first END after the name, ends in
//                                MARK closes itself: it is not kept
//   tag-end END                  after a name, nothing is checked up to the first
//                                END: names inside a tag are no tags
//   tag-quotes QUOTES            in a tag, a byte of QUOTES starts a quote up to
//                                its next occurrence, and a quote holds no END; a
//                                self-closing MARK counts only right after the
//                                name, a blank, a line end or a quote byte
//   tag-break BYTE               in a tag, BYTE outside quotes ends the tag before
//                                its END: a broken tag, an error at that byte
//   crossing error               spans of pairs that cross are errors
//   spelling FROM TO...          a name that starts with FROM also matches with
//                                FROM replaced by each TO (whitespace control:
//                                spelling "{% " "{%- " "{%+ ")
//   region START END [OPTION...] nothing is checked from START to the first END
//                                after it, both included
//   line-region START [OPTION...] nothing is checked from START to the line's end
//                                (with "escape E", to the end of the first line
//                                that does not end right after an odd run of E's)
//   verb START                   START, an optional '*', then a delimiter byte
//                                that is no letter and no blank: nothing is
//                                checked up to the delimiter's next occurrence on
//                                the line, or to the line's end
//   branch-start [line-start] MARK...   conditional branches (rules_branches.h):
//   branch-else [line-start] MARK...    the marks that start a chain, begin its
//   branch-end [line-start] MARK...     next branch and end it; a plainly false
//   branch-false MARK...                branch's mark
//   branch-empty-else NAME...    a chain of one branch is compared with an
//                                empty one in the pairs of these open names
//
//   definition START [OPTION...] nothing is checked from START over the
//                                definition it makes (rules_definition.h): its
//                                parameter text up to the first '{' on the line,
//                                then the balanced {...} groups that follow, with
//                                blanks, line ends, '*' and [...] between
//   directive START [OPTION...]  no name counts from START to its line's end
//                                (with "escape E", on over lines that end right
//                                after an E); regions start and end in it as
//                                anywhere (name_mask.h)
//   end-of-text MARK [OPTION...] nothing after MARK is checked; a name that
//                                starts where MARK does still counts
//   declared-region MARK START END
//                                after MARK, the name in braces that follows it
//                                on its line ("\lstnewenvironment{code}") names a
//                                region from START, the name and '}' to END, the
//                                name and '}' (declared_region.h)
//   blank-runs                   a blank in a name, a spelling or a START (not
//                                its first byte) matches any run of spaces and
//                                tabs, a run of blanks there as one
//   markers START...             the regions and line regions of these STARTs
//                                (given before) are comments, in which markers
//                                turn checking off and on (rules_switch.h)
//
// Region options: "escape E" (inside the region a byte E takes the next byte with
// it, so an END right after an odd run of E's does not end it), "not-after E"
// (a START right after an odd run of E's starts nothing), "only-after E" (a
// START starts only right after an E: "\"(" only-after R), "one-line" (the region
// ends at its line's end at the latest), "word-end" (START starts nothing
// where a word byte follows it), "not-in-number" (START starts nothing right
// after a number's bytes: 1'000, see number_before.h), and for a definition "comment C" (from C to
// the line's end, its bytes hold no group marks) and "blank-line" (a line of
// blanks alone ends it), and for an end of text "outermost" (MARK ends the text
// only where no name stays open after the one that begins there) and "unread"
// (nothing after MARK is read, and the names still open there are no
// failure: forget_open_names in scan/pair_matching.h).
//
// At one place the region starts are tried first, in file order, then the names.
// A region still open at the end of the text (not a line region, not one-line)
// fails the file, and so does a tag whose END has not come.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "rules/rules_branches.h"
#include "tags/tag_table.h"

constexpr const char* kRulesFile = "_tamberlox_rules.txt";

enum class RegionKind {
    to_end_mark,
    to_line_end,
    verb,
    definition,
    to_text_end,
    directive,
    declared
};

struct RegionRule {
    RegionKind kind = RegionKind::to_end_mark;
    std::string start;
    std::string end;  // to_end_mark only
    // declared only: START is the declaring mark, a region of a name declared
    // runs from named_start, the name and '}' to named_end, the name and '}'.
    std::string named_start;
    std::string named_end;
    bool has_escape = false;
    char escape = 0;
    bool has_not_after = false;
    char not_after = 0;
    bool has_only_after = false;
    char only_after = 0;
    bool one_line = false;
    bool word_end = false;
    bool not_in_number = false;  // number_before.h
    bool has_comment = false;    // definition only
    char comment = 0;
    bool markers = false;          // a comment: markers are read in it
    bool blank_line_ends = false;  // definition only
    bool outermost = false;        // end of text only (open_names.h)
    bool unread = false;           // end of text only
};

// What the rules say. Per-name flags are indexed like the table's names: by id,
// 2 * pair for the open name, 2 * pair + 1 for the close name.
struct TagRules {
    bool present = false;  // a rules file was read
    bool ignore_case = false;
    bool blank_runs = false;
    std::vector<bool> word_end;                       // by name id
    std::vector<bool> empty_else;                     // by name id, open names (rules_branches.h)
    std::vector<bool> self_closing;                   // by name id, open names only
    std::vector<std::vector<std::string>> spellings;  // by name id: the other spellings
    std::string self_close_mark;
    std::string self_close_end;
    std::string tag_end;  // empty: none
    std::string tag_quotes;
    bool has_tag_break = false;
    char tag_break = 0;
    bool crossing_errors = false;
    std::vector<RegionRule> regions;
    std::vector<BranchMark> branch_marks;
};

// What is wrong with a rule of the file. `subject` is the keyword, option or
// name it is about, where it names one.
enum class RuleFault {
    none,
    blank_after_quote,      // a quoted argument runs on into the next one
    unknown_escape,         // in a quoted argument
    unclosed_quote,         // a quoted argument without its closing '"'
    unknown_rule,           // subject: the keyword
    wrong_arguments,        // subject: the keyword of a rule given too few or too many
    verb_start_alone,       // a verb given more than its START
    empty_region_mark,      // a region's START or END empty
    unknown_region_option,  // subject: the option
    option_takes_byte,      // subject: the option, given no single byte
    one_self_close_mark,    // self-closing rules with different MARKs or ENDs
    empty_spelling,         // a spelling that makes an empty name
    no_name,                // subject: a name no list holds
    no_open_name,           // subject: a name the open list does not hold
    line_end_in_quote,      // a quoted argument's \x0a, \x0d or \x1a
    bare_cr,                // a CR not right before an LF
    end_of_text_byte,       // a 0x1A, which would end the file there
    given_twice,            // subject: a rule or option that may be given once
    no_comment_region,      // subject: a START no region or line region before starts
};

// Why the rules file was rejected. Each program words it itself.
enum class RulesRejectionKind { none, cannot_open, cannot_read, bad_rule };

struct RulesRejection {
    RulesRejectionKind kind = RulesRejectionKind::none;
    std::string path;
    size_t line = 0;  // bad_rule: of the file, from 1
    RuleFault fault = RuleFault::none;
    std::string subject;
};

struct RulesLoad {
    bool ok = false;
    TagRules rules;
    RulesRejection rejection;  // otherwise
};

// The word bytes that a word-end name may not be followed by, by byte.
inline constexpr std::array<bool, 256> kWordBytes = [] {
    std::array<bool, 256> word{};
    for (unsigned byte = 0; byte < 256; ++byte)
        word[byte] = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                     (byte >= '0' && byte <= '9') || byte == '-' || byte == '_' || byte == ':' ||
                     byte == '.';
    return word;
}();

inline bool is_word_byte(unsigned char byte) {
    return kWordBytes[byte];
}

// Rules with nothing in them: the set read as plain lists.
TagRules no_rules(const TagTable& table);

// Parses the bytes of a rules file for `table`; `path` names the file in messages.
RulesLoad parse_rules(std::string_view bytes, const std::string& path, const TagTable& table);

// Reads kRulesFile from `directory` ("." or "" for the current one). No file
// there: ok, with no_rules; one there that cannot be opened or read is an error.
RulesLoad load_rules(const std::string& directory, const TagTable& table);
