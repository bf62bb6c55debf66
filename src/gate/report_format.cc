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

bool shown(const Finding& finding, bool quiet) {
    return !quiet || finding.severity == Severity::error;
}

std::string gnu_report(const FileReport& report, bool quiet) {
    std::string file = printable_bytes(report.name);
    if (report.check.status != FileStatus::checked)
        return file + ": error: " + problem_text(report.check) + "\n";
    std::string out;
    for (const Finding& finding : report.findings) {
        if (!shown(finding, quiet))
            continue;
        out += file;
        if (finding.line != 0)
            out.append(":").append(std::to_string(finding.line));
        out += ": ";
        out += severity_word(finding.severity);
        out += ": " + finding.message + "\n";
    }
    return out;
}

std::string github_report(const FileReport& report, bool quiet) {
    std::string file = "file=" + github_property(printable_bytes(report.name));
    if (report.check.status != FileStatus::checked)
        return "::error " + file + "::" + github_message(problem_text(report.check)) + "\n";
    std::string out;
    for (const Finding& finding : report.findings) {
        if (!shown(finding, quiet))
            continue;
        out += "::";
        out += severity_word(finding.severity);
        out += " " + file;
        if (finding.line != 0)
            out.append(",line=").append(std::to_string(finding.line));
        out += "::" + github_message(finding.message) + "\n";
    }
    return out;
}

std::string json_pairs(const FileCheck& check, PairNames names) {
    std::string out = "[";
    for (size_t pair = 0; pair < check.tally.opn_num.size(); ++pair) {
        if (check.tally.opn_num[pair] == 0 && check.tally.cls_num[pair] == 0)
            continue;
        if (out.size() > 1)
            out += ",";
        out += "{\"opn_tag\":" + json_string(printable_bytes((*names.opn_tag)[pair])) +
               ",\"opn_num\":" + std::to_string(check.tally.opn_num[pair]) +
               ",\"cls_tag\":" + json_string(printable_bytes((*names.cls_tag)[pair])) +
               ",\"cls_num\":" + std::to_string(check.tally.cls_num[pair]) + "}";
    }
    return out + "]";
}

std::string json_report(const FileReport& report, PairNames names, bool quiet) {
    std::string out = "{\"file\":" + json_string(printable_bytes(report.name));
    if (report.check.status != FileStatus::checked)
        return out + ",\"error\":" + json_string(problem_text(report.check)) + "}";
    out += ",\"verdict\":";
    out += report.check.tally.judged_ok ? "\"Judged OK.\"" : "\"Errors may exist.\"";
    out += ",\"fails\":";
    out += report.fails ? "true" : "false";
    out += ",\"pairs\":" + json_pairs(report.check, names) + ",\"findings\":[";
    bool first = true;
    for (const Finding& finding : report.findings) {
        if (!shown(finding, quiet))
            continue;
        out += first ? "\n" : ",\n";
        first = false;
        out += "{";
        if (finding.line != 0)
            out.append("\"line\":").append(std::to_string(finding.line)).append(",");
        out += "\"severity\":\"";
        out += severity_word(finding.severity);
        out += "\",\"message\":" + json_string(finding.message) + "}";
    }
    return out + "]}";
}

}  // namespace

std::string format_file_report(OutputFormat format, const FileReport& report, PairNames names,
                               bool quiet) {
    switch (format) {
        case OutputFormat::gnu:
            return gnu_report(report, quiet);
        case OutputFormat::github:
            return github_report(report, quiet);
        case OutputFormat::json:
            return json_report(report, names, quiet);
    }
    return {};
}

std::string json_end(size_t files, size_t failed, size_t unreadable) {
    return "\n],\"checked\":" + std::to_string(files) + ",\"failed\":" + std::to_string(failed) +
           ",\"unreadable\":" + std::to_string(unreadable) + "}\n";
}
