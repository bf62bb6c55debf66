#pragma once

#include <cstdint>
#include <string>

#include "gate/edit_note.h"
#include "gate/findings.h"
#include "gate/report_format.h"
#include "text/output_buffer.h"

// What every output format writes alike: the words of a finding's message and
// of its note, a file's failure, and the walk that picks the findings shown.

const char* severity_word(Severity severity);

// The finding's message, its names as the format writes them.
void put_message(OutputBuffer& out, const FileCheck& check, const Finding& finding,
                 const NameTexts& names);

// The severity, the format's words between, and the message.
void put_severity_message(OutputBuffer& out, const FileCheck& check, const Finding& finding,
                          const NameTexts& names, const char* between);

// A note's words, as they stand after its place ("... closes here").
void put_note_message(OutputBuffer& out, const FindingNote& note, const NameTexts& names);

// A note's words with its place inside them ("... closes at line 3, column 1"),
// for the formats that fold a note into its finding's message.
void put_note_with_place(OutputBuffer& out, const FindingNote& note, const NameTexts& names);

// Where a missing or extra name most likely belongs, and what that rests on.
void put_edit_note_message(OutputBuffer& out, const EditNote& note, const NameTexts& names);

// Why a file could not be checked: "can't open: " and the system's reason.
std::string file_error_text(FileStatus status, int error_number);

// A name's place with the format's words before its line and its column.
void put_place(OutputBuffer& out, const NamePlace& place, const char* before_line,
               const char* before_column);

// " more findings not shown (--max-findings)" after the count left out.
void put_left_out_count(OutputBuffer& out, uint64_t left_out);

// Calls `put` with each finding the choice shows, in file order, and returns
// how many more it would have shown but for `max_findings`. Once a write has
// failed nothing more goes out, and the run ends after the file.
template <typename PutFinding>
uint64_t put_shown_findings(OutputBuffer& out, const FileReport& report, const ReportChoice& choice,
                            PutFinding put) {
    FindingWalk walk{report.check, choice.strict};
    Finding finding;
    uint64_t shown = 0, left_out = 0;
    while (!out.failed && next_finding(walk, finding)) {
        if (choice.quiet && finding.severity != Severity::error)
            continue;
        if (choice.max_findings != 0 && shown == choice.max_findings) {
            ++left_out;
            continue;
        }
        ++shown;
        put(finding);
    }
    return left_out;
}
