#include "gate/format_github.h"

#include "gate/edit_notes.h"
#include "gate/escape.h"
#include "gate/format_parts.h"

namespace {

void put_github_finding(OutputBuffer& out, const std::string& file, const FileReport& report,
                        const Finding& finding, const NameTexts& names) {
    put_bytes(out, "::");
    put_bytes(out, severity_word(finding.severity));
    put_bytes(out, " " + file);
    if (finding.place.line != 0)
        put_place(out, finding.place, ",line=", ",col=");
    put_bytes(out, "::");
    put_message(out, report.check, finding, names);
    FindingNotes notes = notes_of(report.check, finding);
    for (size_t i = 0; i < notes.count; ++i) {
        put_bytes(out, " (");
        put_note_with_place(out, notes.notes[i], names);
        put_bytes(out, ")");
    }
    EditNote edit;
    if (edit_note_of(report.check, finding, edit)) {
        put_place(out, edit.edit, " (at line ", ", column ");
        put_bytes(out, ": ");
        put_edit_note_message(out, edit, names);
        put_bytes(out, ")");
    }
    put_bytes(out, "\n");
}

uint64_t put_github_file(OutputBuffer& out, const FileReport& report, const std::string& file,
                         const ReportSetup& setup, DocumentItems&) {
    const FileCheck& check = report.check;
    if (check.status != FileStatus::checked) {
        std::string problem = file_error_text(check.status, check.error_number);
        put_bytes(out, "::error " + file + "::" + github_message(problem) + "\n");
        return 0;
    }
    uint64_t left_out = put_shown_findings(out, report, setup.choice, [&](const Finding& finding) {
        put_github_finding(out, file, report, finding, setup.names);
    });
    if (left_out > 0) {
        put_bytes(out, "::notice " + file + "::");
        put_left_out_count(out, left_out);
    }
    return left_out;
}

std::string github_file_text(const std::string& name) {
    return "file=" + github_property(printable_bytes(name));
}

}  // namespace

const ReportFormat kGithubFormat{put_no_start,   put_github_file,  put_no_end,
                                 github_message, github_file_text, ""};
