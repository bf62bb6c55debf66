#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <new>
#include <string>

#include "gate/check_files.h"
#include "gate/gate_engine.h"
#include "gate/gate_options.h"
#include "text/thread_group.h"

#ifndef TAMBERLOX_VERSION
#define TAMBERLOX_VERSION "unknown"
#endif

static void put_text(FILE* stream, const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
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

static int run_gate(int argc, const char* const* argv) {
    GateOptions options;
    std::string error;
    switch (parse_gate_options(argc, argv, options, error)) {
        case ParseOutcome::help:
            put_text(stdout, kGateHelp);
            return 0;
        case ParseOutcome::version:
            put_text(stdout, "tamberlox-gate " TAMBERLOX_VERSION "\n");
            return 0;
        case ParseOutcome::usage_error:
            put_text(stderr, "tamberlox-gate: " + error +
                                 "\nTry 'tamberlox-gate --help' for more information.\n");
            return 2;
        case ParseOutcome::run:
            break;
    }
    std::vector<std::string> files = expand_file_names(options.files);
    GateEngine engine;
    std::string rejection;
    if (!load_gate_engine(options.lists_dir, engine, rejection)) {
        // The checker's own message; a rejection is one line here.
        if (rejection.empty() || rejection.back() != '\n')
            rejection += '\n';
        put_text(stderr, rejection);
        return 2;
    }
    // Each job holds a read buffer: more than this would only take memory.
    constexpr size_t kMostJobs = 256;
    size_t jobs = std::min(options.jobs > 0 ? options.jobs : available_cores(), kMostJobs);
    return check_files(engine, options, files, jobs);
}

int main(int argc, char** argv) {
    try {
        return run_gate(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fputs("ERROR : Allocation error.\n", stderr);
        return 2;
    }
}
