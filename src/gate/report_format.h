#pragma once

#include <string>
#include <vector>

#include "gate/file_check.h"
#include "gate/findings.h"
#include "gate/gate_options.h"

// One checked file as the chosen format prints it. With `quiet`, only the
// findings that fail the file.
struct FileReport {
    const std::string& name;
    const FileCheck& check;
    const std::vector<Finding>& findings;
    bool fails;
};

std::string format_file_report(OutputFormat format, const FileReport& report, PairNames names,
                               bool quiet);

// The JSON document wraps the files' entries, separated by ",\n".
constexpr const char* kJsonStart = "{\"files\":[\n";
std::string json_end(size_t files, size_t failed, size_t unreadable);
