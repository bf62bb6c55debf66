#include "gate/format_json.h"

#include "gate/edit_notes.h"
#include "gate/escape.h"
#include "gate/format_parts.h"

namespace {

void put_json_place(OutputBuffer& out, const NamePlace& place) {
    put_place(out, place, "\"line\":", ",\"column\":");
    put_bytes(out, ",");
}

void put_json_note(OutputBuffer& out, const FindingNote& note, const NameTexts& names) {
    put_bytes(out, "{");
    put_json_place(out, note.place);
    put_bytes(out, "\"message\":\"");
    put_note_message(out, note, names);
    put_bytes(out, "\"}");
}

void put_json_finding(OutputBuffer& out, const FileReport& report, const Finding& finding,
                      const NameTexts& names) {
    put_bytes(out, "{");
    if (finding.place.line != 0)
        put_json_place(out, finding.place);
    put_bytes(out, "\"kind\":\"");
    put_bytes(out, finding_id(finding.kind));
    put_bytes(out, "\",\"severity\":\"");
    put_severity_message(out, report.check, finding, names, "\",\"message\":\"");
    put_bytes(out, "\"");
    FindingNotes notes = notes_of(report.check, finding);
    if (notes.count > 0) {
        put_bytes(out, ",\"note\":");
        put_json_note(out, notes.notes[0], names);
    }
    if (notes.count > 1) {
        put_bytes(out, ",\"notes\":[");
        for (size_t i = 0; i < notes.count; ++i) {
            put_bytes(out, i == 0 ? "" : ",");
            put_json_note(out, notes.notes[i], names);
        }
        put_bytes(out, "]");
    }
    EditNote edit;
    if (edit_note_of(report.check, finding, edit)) {
        put_bytes(out, ",\"edit\":{");
        put_json_place(out, edit.edit);
        put_bytes(out, "\"message\":\"");
        put_edit_note_message(out, edit, names);
        put_bytes(out, "\"}");
    }
    put_bytes(out, "}");
}

void put_json_pairs(OutputBuffer& out, const FileCheck& check, const NameTexts& names) {
    put_bytes(out, "[");
    bool first = true;
    for (size_t pair = 0; pair < check.tally.opn_num.size(); ++pair) {
        if (check.tally.opn_num[pair] == 0 && check.tally.cls_num[pair] == 0)
            continue;
        put_bytes(out, first ? "{\"opn_tag\":" : ",{\"opn_tag\":");
        first = false;
        put_bytes(out, json_string(printable_bytes((*names.opn_tag)[pair])));
        put_bytes(out, ",\"opn_num\":");
        put_decimal(out, check.tally.opn_num[pair]);
        put_bytes(out, ",\"cls_tag\":");
        put_bytes(out, json_string(printable_bytes((*names.cls_tag)[pair])));
        put_bytes(out, ",\"cls_num\":");
        put_decimal(out, check.tally.cls_num[pair]);
        put_bytes(out, "}");
    }
    put_bytes(out, "]");
}

void put_json_head(OutputBuffer& out, const std::string& file, const FileReport& report,
                   const NameTexts& names) {
    put_bytes(out, "{\"file\":");
    put_bytes(out, file);
    put_bytes(out, report.check.tally.judged_ok ? ",\"verdict\":\"Judged OK.\""
                                                : ",\"verdict\":\"Errors may exist.\"");
    put_bytes(out, report.fails ? ",\"fails\":true" : ",\"fails\":false");
    put_bytes(out, ",\"pairs\":");
    put_json_pairs(out, report.check, names);
    put_bytes(out, ",\"findings\":[");
}

uint64_t put_json_file(OutputBuffer& out, const FileReport& report, const std::string& file,
                       const ReportSetup& setup, DocumentItems& items) {
    start_item(out, setup, items);
    const FileCheck& check = report.check;
    if (check.status != FileStatus::checked) {
        std::string problem = file_error_text(check.status, check.error_number);
        put_bytes(out, "{\"file\":" + file + ",\"error\":" + json_string(problem) + "}");
        return 0;
    }
    put_json_head(out, file, report, setup.names);
    bool first = true;
    uint64_t left_out = put_shown_findings(out, report, setup.choice, [&](const Finding& finding) {
        put_bytes(out, first ? "\n" : ",\n");
        first = false;
        put_json_finding(out, report, finding, setup.names);
    });
    put_bytes(out, "]");
    if (left_out > 0) {
        put_bytes(out, ",\"findings_left_out\":");
        put_decimal(out, left_out);
    }
    put_bytes(out, "}");
    return left_out;
}

void put_json_start(OutputBuffer& out, const ReportChoice& choice) {
    put_bytes(out, "{\"version\":1,\"column_unit\":\"");
    put_bytes(out, column_unit_name(choice.column_unit));
    put_bytes(out, "\",\"files\":[\n");
}

void put_json_end(OutputBuffer& out, const RunTotals& totals) {
    put_bytes(out, "\n],\"checked\":");
    put_decimal(out, totals.files);
    put_bytes(out, ",\"failed\":");
    put_decimal(out, totals.failed);
    put_bytes(out, ",\"unreadable\":");
    put_decimal(out, totals.unreadable.size());
    put_bytes(out, "}\n");
}

std::string json_file_text(const std::string& name) {
    return json_string(printable_bytes(name));
}

}  // namespace

const ReportFormat kJsonFormat{put_json_start,      put_json_file,  put_json_end,
                               json_string_content, json_file_text, ",\n"};
