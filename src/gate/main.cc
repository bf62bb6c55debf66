#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <new>
#include <string>
#include <string_view>

#include "gate/gate_engine.h"
#include "gate/gate_options.h"
#include "gate/run_checks.h"
#include "tags/load_tag_table.h"
#include "text/fatal_error.h"
#include "text/output_buffer.h"
#include "text/thread_group.h"

#ifndef TAMBERLOX_VERSION
#define TAMBERLOX_VERSION "unknown"
#endif

static void put_standard_output(std::string_view text) {
    OutputBuffer out;
    open_output(out, STDOUT_FILENO, 4096);
    put_bytes(out, text);
    if (!flush_output(out))
        exit_with_message(2, kGateWriteError);
}

// "-" stands for the names on standard input, one a line; empty lines are skipped.
static std::vector<std::string> expand_file_names(const std::vector<std::string>& given) {
    std::vector<std::string> files;
    for (const std::string& name : given) {
        if (name != "-") {
            files.push_back(name);
            continue;
        }
        std::string line;
        while (std::getline(std::cin, line)) {
            if (!line.empty())
                files.push_back(line);
        }
    }
    return files;
}

// Ends a run that cannot start with its message.
static void end_on(const SetupError& error) {
    if (failed(error))
        exit_with_message(2, "%s", {setup_error_message(error)});
}

// Ends the run on a usage error, help or the version; returns when the options
// ask for a check run.
static void answer_options(const SetupError& error, const GateOptions& options) {
    end_on(error);
    if (options.help) {
        put_standard_output(kGateHelp);
        std::_Exit(0);
    }
    if (options.version) {
        put_standard_output("tamberlox-gate " TAMBERLOX_VERSION "\n");
        std::_Exit(0);
    }
}

static int run_gate(int argc, const char* const* argv) {
    GateOptions options;
    answer_options(parse_gate_options(argc, argv, options), options);
    std::vector<std::string> files = expand_file_names(options.files);
    GateEngine engine;
    end_on(load_gate_engine(options.lists_dir, engine));
    return run_checks(engine, options, files, threads_to_use(options.jobs));
}

int main(int argc, char** argv) {
    try {
        return run_gate(argc, argv);
    } catch (const std::bad_alloc&) {
        exit_with_message(2, kAllocationError);
    }
}
