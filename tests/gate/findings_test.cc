// The findings of one file as each format writes them: in file order, with
// their columns and notes, the warnings and errors of the verdict, and no more
// than --max-findings of them.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "check_support.h"
#include "gate/findings.h"
#include "gate/report_format.h"

namespace {

const std::vector<std::string> kOpn = {"(", "[", "<li>"};
const std::vector<std::string> kCls = {")", "]", "</li>"};

FileCheck check_text(const std::string& text, size_t chunk_size) {
    TagTable table = make_tag_table(kOpn, kCls);
    TagMatcher matcher = build_tag_matcher(table);
    FileCheck check;
    start_tally(check.tally, table.n);
    start_pair_matching(check.matching, table.n);
    PairSink sink{check.tally, check.matching};
    BytesSource source{text, chunk_size};
    EXPECT_EQ(scan_text(matcher, source, sink), ReadStatus::end);
    return check;
}

std::string report(const std::string& text, OutputFormat format, const ReportChoice& choice,
                   size_t chunk_size = 3) {
    FileCheck check = check_text(text, chunk_size);
    ReportSetup setup = make_report_setup(format, choice, kOpn, kCls);
    OutputBuffer out;
    open_output(out, -1, 16);
    DocumentItems items;
    write_file_report(out, {"f", check, file_fails(check, choice.strict)}, setup, items);
    flush_output(out);
    return out.collected;
}

struct Case {
    std::string text;
    OutputFormat format;
    ReportChoice choice;
    std::string expected;
};

TEST(GateFindings, WritesPlacesNotesAndLimits) {
    const OutputFormat gnu = OutputFormat::gnu, github = OutputFormat::github,
                       json = OutputFormat::json;
    const Case cases[] = {
        // In file order whatever their kind; a CR ends a line's text, not the line.
        {"(\r ]\n  [ ( ] \n<li>x",
         gnu,
         {},
         "f:1:1: error: '(' is never closed\n"
         "f:2:5: error: '(' is never closed\n"
         "f:2:7: note: the enclosing '[' closes here\n"
         "f:3:1: error: '<li>' is never closed\n"},
        {"] (\n", gnu, {}, "f:1:1: error: ']' closes nothing\nf:1:3: error: '(' is never closed\n"},
        {"([)]]",
         gnu,
         {},
         "f:1:3: warning: ')' closes '(' of line 1 while '[' of line 1 is still open\n"
         "f:1:5: error: ']' closes nothing\n"},
        {"([)]",
         gnu,
         {},
         "f:1:3: warning: ')' closes '(' of line 1 while '[' of line 1 is still open\n"},
        {"([)]",
         gnu,
         {true, false, 0},
         "f:1:3: error: ')' closes '(' of line 1 while '[' of line 1 is still open\n"},
        // About the whole file: at line 1, column 1, where editors keep it.
        {"x", gnu, {}, "f:1:1: warning: no listed name occurs\n"},
        {"x", github, {}, "::warning file=f::no listed name occurs\n"},
        // Each unclosed open with the note of its own enclosing close.
        {"( [ )\n( [ )",
         gnu,
         {},
         "f:1:3: error: '[' is never closed\n"
         "f:1:5: note: the enclosing '(' closes here\n"
         "f:2:3: error: '[' is never closed\n"
         "f:2:5: note: the enclosing '(' closes here\n"},
        // The note folds into GitHub's message; JSON keeps it in the finding.
        {"( [ )",
         github,
         {},
         "::error file=f,line=1,col=3::'[' is never closed (the enclosing '(' closes at "
         "line 1, column 5)\n"},
        {"( [ )",
         json,
         {},
         "{\"file\":\"f\",\"verdict\":\"Errors may exist.\",\"fails\":true,\"pairs\":["
         "{\"opn_tag\":\"(\",\"opn_num\":1,\"cls_tag\":\")\",\"cls_num\":1},"
         "{\"opn_tag\":\"[\",\"opn_num\":1,\"cls_tag\":\"]\",\"cls_num\":0}],\"findings\":[\n"
         "{\"line\":1,\"column\":3,\"kind\":\"never-closed\",\"severity\":\"error\",\"message\":\"'"
         "[' is never closed\","
         "\"note\":{\"line\":1,\"column\":5,\"message\":\"the enclosing '(' closes here\"}}]}"},
        // At most N findings, the rest counted; quiet filters before the limit.
        {"((((",
         gnu,
         {false, false, 2},
         "f:1:1: error: '(' is never closed\nf:1:2: error: '(' is never closed\n"
         "f: note: 2 more findings not shown (--max-findings)\n"},
        {"(((((",
         github,
         {false, false, 4},
         "::error file=f,line=1,col=1::'(' is never closed\n"
         "::error file=f,line=1,col=2::'(' is never closed\n"
         "::error file=f,line=1,col=3::'(' is never closed\n"
         "::error file=f,line=1,col=4::'(' is never closed\n"
         "::notice file=f::1 more findings not shown (--max-findings)\n"},
        {"(((",
         json,
         {false, false, 1},
         "{\"file\":\"f\",\"verdict\":\"Errors may exist.\",\"fails\":true,\"pairs\":["
         "{\"opn_tag\":\"(\",\"opn_num\":3,\"cls_tag\":\")\",\"cls_num\":0}],\"findings\":[\n"
         "{\"line\":1,\"column\":1,\"kind\":\"never-closed\",\"severity\":\"error\",\"message\":\"'"
         "(' is never closed\"}]"
         ",\"findings_left_out\":2}"},
        {"([)]\n((",
         gnu,
         {false, true, 1},
         "f:2:1: error: '(' is never closed\n"
         "f: note: 1 more findings not shown (--max-findings)\n"},
        {"()", gnu, {false, false, 1}, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(report(c.text, c.format, c.choice), c.expected) << c.text;
        EXPECT_EQ(report(c.text, c.format, c.choice, 1), c.expected) << c.text;
    }
}

}  // namespace
