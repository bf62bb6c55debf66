#include "gate/report_format.h"

#include "gate/escape.h"

namespace {

const char* severity_word(Severity severity) {
    return severity == Severity::error ? "error" : "warning";
}

std::string problem_text(const FileCheck& check) {
    const char* what = check.status == FileStatus::cannot_open   ? "can't open: "
                       : check.status == FileStatus::cannot_read ? "can't read: "
                                                                 : "can't check: ";
    return what + check.problem;
}

// Inside a message: the quotes stay, the format's own escapes are added.
std::string name_text(OutputFormat format, const std::string& name) {
    std::string quoted(1, '\'');
    quoted += printable_bytes(name);
    quoted += '\'';
    if (format == OutputFormat::github)
        return github_message(quoted);
    if (format == OutputFormat::json) {
        std::string literal = json_string(quoted);
        return literal.substr(1, literal.size() - 2);
    }
    return quoted;
}

void put_message(OutputBuffer& out, const FileCheck& check, const Finding& finding,
                 const NameTexts& names) {
    const std::string& opn = names.quoted_opn[finding.pair];
    const std::string& cls = names.quoted_cls[finding.pair];
    switch (finding.kind) {
        case FindingKind::closes_nothing:
            put_bytes(out, cls);
            put_bytes(out, " closes nothing");
            return;
        case FindingKind::never_closed:
            put_bytes(out, opn);
            put_bytes(out, " is never closed");
            return;
        case FindingKind::crosses: {
            const PendingClose& close =
                block_stack_item(check.matching.pending.closes, finding.record);
            put_bytes(out, cls);
            put_bytes(out, " closes ");
            put_bytes(out, opn);
            put_bytes(out, " of line ");
            put_decimal(out, close.open_line);
            put_bytes(out, " while ");
            put_bytes(out, names.quoted_opn[close.crossed_pair]);
            put_bytes(out, " of line ");
            put_decimal(out, close.crossed_line);
            put_bytes(out, " is still open");
            return;
        }
        case FindingKind::ends_in_region:
            put_bytes(out, "the text ends inside the region or tag that starts here");
            return;
        case FindingKind::counts_differ:
            put_bytes(out, "counts differ: ");
            put_bytes(out, opn);
            put_bytes(out, " ");
            put_decimal(out, check.tally.opn_num[finding.pair]);
            put_bytes(out, ", ");
            put_bytes(out, cls);
            put_bytes(out, " ");
            put_decimal(out, check.tally.cls_num[finding.pair]);
            return;
        case FindingKind::no_name:
            put_bytes(out, "no listed name occurs");
            return;
    }
}

void put_note_message(OutputBuffer& out, const NoteRecord& note, const NameTexts& names) {
    put_bytes(out, "the enclosing ");
    put_bytes(out, names.quoted_opn[note.pair]);
    put_bytes(out, " closes here");
}

// A name's place with the format's words before its line and its column.
void put_place(OutputBuffer& out, const NamePlace& place, const char* before_line,
               const char* before_column) {
    put_bytes(out, before_line);
    put_decimal(out, place.line);
    put_bytes(out, before_column);
    put_decimal(out, place.column);
}

// ":LINE:COLUMN", or nothing for the whole file.
void put_gnu_place(OutputBuffer& out, const NamePlace& place) {
    if (place.line != 0)
        put_place(out, place, ":", ":");
}

// The severity, the format's words between, and the message.
void put_severity_message(OutputBuffer& out, const FileReport& report, const Finding& finding,
                          const NameTexts& names, const char* between) {
    put_bytes(out, severity_word(finding.severity));
    put_bytes(out, between);
    put_message(out, report.check, finding, names);
}

void put_gnu_finding(OutputBuffer& out, const std::string& file, const FileReport& report,
                     const Finding& finding, const NameTexts& names) {
    put_bytes(out, file);
    put_gnu_place(out, finding.place);
    put_bytes(out, ": ");
    put_severity_message(out, report, finding, names, ": ");
    put_bytes(out, "\n");
    NoteRecord note;
    if (!note_of(report.check, finding, note))
        return;
    put_bytes(out, file);
    put_gnu_place(out, note.place);
    put_bytes(out, ": note: ");
    put_note_message(out, note, names);
    put_bytes(out, "\n");
}

// The note goes into the finding's own message, which GitHub shows at its line.
void put_github_finding(OutputBuffer& out, const std::string& file, const FileReport& report,
                        const Finding& finding, const NameTexts& names) {
    put_bytes(out, "::");
    put_bytes(out, severity_word(finding.severity));
    put_bytes(out, " " + file);
    if (finding.place.line != 0)
        put_place(out, finding.place, ",line=", ",col=");
    put_bytes(out, "::");
    put_message(out, report.check, finding, names);
    NoteRecord note;
    if (note_of(report.check, finding, note)) {
        put_bytes(out, " (the enclosing ");
        put_bytes(out, names.quoted_opn[note.pair]);
        put_place(out, note.place, " closes at line ", ", column ");
        put_bytes(out, ")");
    }
    put_bytes(out, "\n");
}

void put_json_place(OutputBuffer& out, const NamePlace& place) {
    put_place(out, place, "\"line\":", ",\"column\":");
    put_bytes(out, ",");
}

void put_json_finding(OutputBuffer& out, const FileReport& report, const Finding& finding,
                      const NameTexts& names) {
    put_bytes(out, "{");
    if (finding.place.line != 0)
        put_json_place(out, finding.place);
    put_bytes(out, "\"severity\":\"");
    put_severity_message(out, report, finding, names, "\",\"message\":\"");
    put_bytes(out, "\"");
    NoteRecord note;
    if (note_of(report.check, finding, note)) {
        put_bytes(out, ",\"note\":{");
        put_json_place(out, note.place);
        put_bytes(out, "\"message\":\"");
        put_note_message(out, note, names);
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

// The file's name as the format writes it: "NAME", "file=NAME" or a JSON string.
std::string file_text(OutputFormat format, const std::string& name) {
    std::string shown = printable_bytes(name);
    if (format == OutputFormat::github)
        return "file=" + github_property(shown);
    if (format == OutputFormat::json)
        return json_string(shown);
    return shown;
}

void put_unreadable(OutputBuffer& out, OutputFormat format, const std::string& file,
                    const FileCheck& check) {
    std::string problem = problem_text(check);
    switch (format) {
        case OutputFormat::gnu:
            put_bytes(out, file + ": error: " + problem + "\n");
            return;
        case OutputFormat::github:
            put_bytes(out, "::error " + file + "::" + github_message(problem) + "\n");
            return;
        case OutputFormat::json:
            put_bytes(out, "{\"file\":" + file + ",\"error\":" + json_string(problem) + "}");
            return;
    }
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

void put_left_out(OutputBuffer& out, OutputFormat format, const std::string& file,
                  uint64_t left_out) {
    if (format == OutputFormat::json) {
        put_bytes(out, ",\"findings_left_out\":");
        put_decimal(out, left_out);
        return;
    }
    put_bytes(out, format == OutputFormat::gnu ? file + ": note: " : "::notice " + file + "::");
    put_decimal(out, left_out);
    put_bytes(out, " more findings not shown (--max-findings)\n");
}

void put_finding(OutputBuffer& out, const std::string& file, const FileReport& report,
                 const Finding& finding, const NameTexts& names, bool first) {
    switch (names.format) {
        case OutputFormat::gnu:
            return put_gnu_finding(out, file, report, finding, names);
        case OutputFormat::github:
            return put_github_finding(out, file, report, finding, names);
        case OutputFormat::json:
            put_bytes(out, first ? "\n" : ",\n");
            return put_json_finding(out, report, finding, names);
    }
}

}  // namespace

NameTexts make_name_texts(OutputFormat format, const std::vector<std::string>& opn_tag,
                          const std::vector<std::string>& cls_tag) {
    NameTexts texts{format, &opn_tag, &cls_tag, {}, {}};
    for (const std::string& name : opn_tag)
        texts.quoted_opn.push_back(name_text(format, name));
    for (const std::string& name : cls_tag)
        texts.quoted_cls.push_back(name_text(format, name));
    return texts;
}

void write_file_report(OutputBuffer& out, const FileReport& report, const NameTexts& names,
                       const ReportChoice& choice) {
    std::string file = file_text(names.format, report.name);
    if (report.check.status != FileStatus::checked)
        return put_unreadable(out, names.format, file, report.check);
    if (names.format == OutputFormat::json)
        put_json_head(out, file, report, names);
    FindingWalk walk{report.check, choice.strict};
    Finding finding;
    uint64_t shown = 0, left_out = 0;
    // Once a write has failed nothing more goes out, and the run ends after the file.
    while (!out.failed && next_finding(walk, finding)) {
        if (choice.quiet && finding.severity != Severity::error)
            continue;
        if (choice.max_findings != 0 && shown == choice.max_findings) {
            ++left_out;
            continue;
        }
        put_finding(out, file, report, finding, names, shown++ == 0);
    }
    if (names.format == OutputFormat::json)
        put_bytes(out, "]");
    if (left_out > 0)
        put_left_out(out, names.format, file, left_out);
    if (names.format == OutputFormat::json)
        put_bytes(out, "}");
}

std::string json_end(size_t files, size_t failed, size_t unreadable) {
    return "\n],\"checked\":" + std::to_string(files) + ",\"failed\":" + std::to_string(failed) +
           ",\"unreadable\":" + std::to_string(unreadable) + "}\n";
}
