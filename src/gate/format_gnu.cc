#include "gate/format_gnu.h"

#include "gate/edit_notes.h"
#include "gate/escape.h"
#include "gate/format_parts.h"

namespace {

// ":LINE:COLUMN", or nothing for the whole file.
void put_gnu_place(OutputBuffer& out, const NamePlace& place) {
    if (place.line != 0)
        put_place(out, place, ":", ":");
}

void put_gnu_finding(OutputBuffer& out, const std::string& file, const FileReport& report,
                     const Finding& finding, const NameTexts& names) {
    put_bytes(out, file);
    put_gnu_place(out, finding.place);
    put_bytes(out, ": ");
    put_severity_message(out, report.check, finding, names, ": ");
    put_bytes(out, "\n");
    NoteRecord note;
    if (note_of(report.check, finding, note)) {
        put_bytes(out, file);
        put_gnu_place(out, note.place);
        put_bytes(out, ": note: ");
        put_note_message(out, note, names);
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
        put_bytes(out, file + ": error: " + file_error_text(check.status, check.error_number));
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
