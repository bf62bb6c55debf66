#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "gate/column_unit.h"
#include "gate/setup_error.h"

enum class OutputFormat { gnu, github, json, sarif };

struct GateOptions {
    std::string lists_dir;  // a folder or an installed set; empty: the set or map found here
    OutputFormat format = OutputFormat::gnu;
    size_t jobs = 0;  // 0: as many as the cores available
    bool strict = false;
    bool quiet = false;
    uint64_t max_findings = 0;       // a file's findings printed; 0: all
    std::vector<std::string> files;  // files and folders; "-" stands for standard input
    std::string map_file;            // empty: the map found here, if any
    std::vector<std::string> excludes;
    ColumnUnit column_unit = ColumnUnit::display;  // of the columns reported
    std::string stdin_filename;                    // the name standard input's content goes by
    std::vector<std::string> files_from;  // files naming files to check, "-" standard input
    bool list_sets = false;               // asked for: no check is run
    bool help = false;                    // asked for: no check is run
    bool version = false;
};

// GNU style: long options with "=VALUE" or the next argument, unambiguous
// abbreviations of them, bundled short options, "--" ends the options, and
// options may follow file names. Returns a usage error, or none.
SetupError parse_gate_options(int argc, const char* const* argv, GateOptions& options);

extern const char* const kGateHelp;
