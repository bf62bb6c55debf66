#include "gate/format_gnu.h"

#include "gate/edit_notes.h"
#include "gate/escape.h"
#include "gate/format_parts.h"

namespace {

// ":LINE:COLUMN"; line 1, column 1 for the whole file, which editors' error
// formats need to keep a line at all.
void put_gnu_place(OutputBuffer& out, const NamePlace& place) {
    put_place(out, place.line != 0 ? place : kWholeFilePlace, ":", ":");
}

void put_gnu_finding(OutputBuffer& out, const std::string& file, const FileReport& report,
                     const Finding& finding, const NameTexts& names) {
    put_bytes(out, file);
    put_gnu_place(out, finding.place);
    put_bytes(out, ": ");
    put_severity_message(out, report.check, finding, names, ": ");
    put_bytes(out, "\n");
    FindingNotes notes = notes_of(report.check, finding);
    for (size_t i = 0; i < notes.count; ++i) {
        put_bytes(out, file);
        put_gnu_place(out, notes.notes[i].place);
        put_bytes(out, ": note: ");
        put_note_message(out, notes.notes[i], names);
        put_bytes(out, "\n");
    }
    EditNote edit;
    if (edit_note_of(report.check, finding, edit)) {
        put_bytes(out, file);
        put_gnu_place(out, edit.edit);
        put_bytes(out, ": note: ");
        put_edit_note_message(out, edit, names);
        put_bytes(out, "\n");
    }
}

uint64_t put_gnu_file(OutputBuffer& out, const FileReport& report, const std::string& file,
                      const ReportSetup& setup, DocumentItems&) {
    const FileCheck& check = report.check;
    if (check.status != FileStatus::checked) {
        put_bytes(out, file);
        put_gnu_place(out, kWholeFilePlace);
        put_bytes(out, ": error: " + file_error_text(check.status, check.error_number));
        put_bytes(out, "\n");
        return 0;
    }
    uint64_t left_out = put_shown_findings(out, report, setup.choice, [&](const Finding& finding) {
        put_gnu_finding(out, file, report, finding, setup.names);
    });
    if (left_out > 0) {
        put_bytes(out, file + ": note: ");
        put_left_out_count(out, left_out);
    }
    return left_out;
}

std::string gnu_name_text(std::string_view quoted) {
    return std::string(quoted);
}

std::string gnu_file_text(const std::string& name) {
    return printable_bytes(name);
}

}  // namespace

const ReportFormat kGnuFormat{put_no_start,  put_gnu_file,  put_no_end,
                              gnu_name_text, gnu_file_text, ""};
