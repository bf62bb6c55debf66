#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gate/file_check.h"
#include "gate/findings.h"
#include "gate/gate_options.h"
#include "text/output_buffer.h"

// The names as one format writes them: quoted and printable inside messages,
// escaped for the format, made once a run.
struct NameTexts {
    OutputFormat format;
    const std::vector<std::string>* opn_tag;
    const std::vector<std::string>* cls_tag;
    std::vector<std::string> quoted_opn;
    std::vector<std::string> quoted_cls;
};

NameTexts make_name_texts(OutputFormat format, const std::vector<std::string>& opn_tag,
                          const std::vector<std::string>& cls_tag);

// What is printed of each file: with `quiet`, only the findings that fail it;
// at most `max_findings` of them (0: all), and then how many were left out.
struct ReportChoice {
    bool strict = false;
    bool quiet = false;
    uint64_t max_findings = 0;
};

struct FileReport {
    const std::string& name;
    const FileCheck& check;
    bool fails;
};

// Writes one checked file as the chosen format prints it, finding by finding.
void write_file_report(OutputBuffer& out, const FileReport& report, const NameTexts& names,
                       const ReportChoice& choice);

// The JSON document wraps the files' entries, separated by ",\n".
constexpr const char* kJsonStart = "{\"files\":[\n";
std::string json_end(size_t files, size_t failed, size_t unreadable);
