#include "gate/format_sarif.h"

#include <iterator>

#include "gate/edit_notes.h"
#include "gate/escape.h"
#include "gate/format_parts.h"

#ifndef TAMBERLOX_VERSION
#define TAMBERLOX_VERSION "unknown"
#endif

namespace {

void put_sarif_rules(OutputBuffer& out) {
    for (size_t i = 0; i < std::size(kFindingKinds); ++i) {
        put_bytes(out, i == 0 ? "\n{\"id\":\"" : ",\n{\"id\":\"");
        put_bytes(out, kFindingKinds[i].id);
        put_bytes(out, "\",\"name\":\"");
        put_bytes(out, kFindingKinds[i].name);
        put_bytes(out, "\",\"shortDescription\":{\"text\":");
        put_bytes(out, json_string(kFindingKinds[i].summary));
        put_bytes(out, "}}");
    }
}

void put_sarif_start(OutputBuffer& out, const ReportChoice&) {
    put_bytes(out,
              "{\"$schema\":\"https://json.schemastore.org/sarif-2.1.0.json\","
              "\"version\":\"2.1.0\",\"runs\":[{\"tool\":{\"driver\":{"
              "\"name\":\"tamberlox-gate\",\"version\":\"" TAMBERLOX_VERSION "\",\"rules\":[");
    put_sarif_rules(out);
    put_bytes(out, "]}},\"columnKind\":\"unicodeCodePoints\",\"results\":[");
}

void put_artifact(OutputBuffer& out, const std::string& file) {
    put_bytes(out, "\"physicalLocation\":{\"artifactLocation\":{\"uri\":");
    put_bytes(out, file);
    put_bytes(out, "}");
}

// "physicalLocation" of a name's place; a finding about the whole file stands
// at its first line.
void put_physical_location(OutputBuffer& out, const std::string& file, const NamePlace& place) {
    put_artifact(out, file);
    if (place.line != 0)
        put_place(out, place, ",\"region\":{\"startLine\":", ",\"startColumn\":");
    else
        put_bytes(out, ",\"region\":{\"startLine\":1");
    put_bytes(out, "}}");
}

void put_sarif_result(OutputBuffer& out, const std::string& file, const FileReport& report,
                      const Finding& finding, const NameTexts& names) {
    put_bytes(out, "\n{\"ruleId\":\"");
    put_bytes(out, finding_id(finding.kind));
    put_bytes(out, "\",\"ruleIndex\":");
    put_decimal(out, static_cast<uint64_t>(finding.kind));
    put_bytes(out, ",\"level\":\"");
    put_severity_message(out, report.check, finding, names, "\",\"message\":{\"text\":\"");
    put_bytes(out, ".\"},\"locations\":[{");
    put_physical_location(out, file, finding.place);
    put_bytes(out, "}]");
    FindingNotes notes = notes_of(report.check, finding);
    for (size_t i = 0; i < notes.count; ++i) {
        put_bytes(out, i == 0 ? ",\"relatedLocations\":[{\"id\":" : ",{\"id\":");
        put_decimal(out, i + 1);
        put_bytes(out, ",\"message\":{\"text\":\"");
        put_note_message(out, notes.notes[i], names);
        put_bytes(out, ".\"},");
        put_physical_location(out, file, notes.notes[i].place);
        put_bytes(out, "}");
    }
    EditNote edit;
    bool edit_place = edit_note_of(report.check, finding, edit);
    if (edit_place) {
        put_bytes(out, notes.count == 0 ? ",\"relatedLocations\":[{\"id\":" : ",{\"id\":");
        put_decimal(out, notes.count + 1);
        put_bytes(out, ",\"message\":{\"text\":\"");
        put_edit_note_message(out, edit, names);
        put_bytes(out, ".\"},");
        put_physical_location(out, file, edit.edit);
        put_bytes(out, "}");
    }
    if (notes.count > 0 || edit_place)
        put_bytes(out, "]");
    put_bytes(out, "}");
}

// A file that could not be checked has no result: the invocation lists it.
uint64_t put_sarif_file(OutputBuffer& out, const FileReport& report, const std::string& file,
                        const ReportSetup& setup, DocumentItems& items) {
    if (report.check.status != FileStatus::checked)
        return 0;
    return put_shown_findings(out, report, setup.choice, [&](const Finding& finding) {
        start_item(out, setup, items);
        put_sarif_result(out, file, report, finding, setup.names);
    });
}

std::string sarif_file_text(const std::string& name) {
    return json_string(uri_reference(name));
}

void put_notification(OutputBuffer& out, bool first, const char* level, const std::string& name,
                      const std::string& text) {
    put_bytes(out, first ? "\n{\"level\":\"" : ",\n{\"level\":\"");
    put_bytes(out, level);
    put_bytes(out, "\",\"message\":{\"text\":");
    put_bytes(out, json_string(text + "."));
    put_bytes(out, "},\"locations\":[{");
    put_artifact(out, sarif_file_text(name));
    put_bytes(out, "}}]}");
}

void put_notifications(OutputBuffer& out, const RunTotals& totals) {
    put_bytes(out, ",\"toolExecutionNotifications\":[");
    bool first = true;
    for (const UnreadableFile& file : totals.unreadable) {
        put_notification(out, first, "error", *file.name,
                         file_error_text(file.status, file.error_number));
        first = false;
    }
    for (const FindingsLeftOut& file : totals.left_out) {
        put_notification(out, first, "note", *file.name,
                         std::to_string(file.count) + " more findings not shown (--max-findings)");
        first = false;
    }
    put_bytes(out, "]");
}

void put_sarif_end(OutputBuffer& out, const RunTotals& totals) {
    int status = exit_status(totals);
    put_bytes(out, status == 2 ? "\n],\"invocations\":[{\"executionSuccessful\":false"
                               : "\n],\"invocations\":[{\"executionSuccessful\":true");
    put_bytes(out, ",\"exitCode\":");
    put_decimal(out, static_cast<uint64_t>(status));
    if (!totals.unreadable.empty() || !totals.left_out.empty())
        put_notifications(out, totals);
    put_bytes(out, "}]}]}\n");
}

}  // namespace

const ReportFormat kSarifFormat{put_sarif_start,     put_sarif_file,  put_sarif_end,
                                json_string_content, sarif_file_text, ","};
