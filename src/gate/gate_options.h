#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class OutputFormat { gnu, github, json, sarif };

struct GateOptions {
    std::string lists_dir = ".";
    OutputFormat format = OutputFormat::gnu;
    size_t jobs = 0;  // 0: as many as the cores available
    bool strict = false;
    bool quiet = false;
    uint64_t max_findings = 0;       // a file's findings printed; 0: all
    std::vector<std::string> files;  // "-" stands for the names read from standard input
};

enum class ParseOutcome { run, help, version, usage_error };

// GNU style: long options with "=VALUE" or the next argument, unambiguous
// abbreviations of them, bundled short options, "--" ends the options, and
// options may follow file names. On a usage error, `error` says why.
ParseOutcome parse_gate_options(int argc, const char* const* argv, GateOptions& options,
                                std::string& error);

extern const char* const kGateHelp;
