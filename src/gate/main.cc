#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <new>
#include <string>
#include <string_view>

#include "gate/check_plan.h"
#include "gate/gate_engine.h"
#include "gate/gate_options.h"
#include "gate/run_checks.h"
#include "gate/set_lookup.h"
#include "tags/load_tag_table.h"
#include "text/fatal_error.h"
#include "text/output_buffer.h"
#include "text/thread_group.h"

#ifndef TAMBERLOX_VERSION
#define TAMBERLOX_VERSION "unknown"
#endif

namespace {

void put_standard_output(std::string_view text) {
    OutputBuffer out;
    open_output(out, STDOUT_FILENO, 4096);
    put_bytes(out, text);
    if (!flush_output(out))
        exit_with_message(2, kGateWriteError);
}

// Ends a run that cannot start with its message.
void end_on(const SetupError& error) {
    if (failed(error))
        exit_with_message(2, "%s", {setup_error_message(error)});
}

// Ends the run on a usage error, help or the version; returns when the options
// ask for a check run.
void answer_options(const SetupError& error, const GateOptions& options) {
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

// The installed sets' names, one a line.
void list_installed_sets() {
    std::string names;
    for (const std::string& name : installed_set_names())
        names += name + "\n";
    put_standard_output(names);
    std::_Exit(0);
}

// Each set's engine, loaded once, for the sets some file needs.
std::vector<GateEngine> load_engines(const CheckPlan& plan) {
    std::vector<char> needed(plan.set_dirs.size(), 0);
    for (const CheckTarget& target : plan.targets)
        needed[target.set] = 1;
    std::vector<GateEngine> engines(plan.set_dirs.size());
    for (size_t set = 0; set < engines.size(); ++set) {
        if (needed[set])
            end_on(load_gate_engine(plan.set_dirs[set], engines[set]));
    }
    return engines;
}

int run_gate(int argc, const char* const* argv) {
    GateOptions options;
    answer_options(parse_gate_options(argc, argv, options), options);
    if (options.list_sets)
        list_installed_sets();
    CheckPlan plan = make_check_plan(options);
    if (!plan.ok)
        exit_with_message(2, "%s", {plan.message});
    std::vector<GateEngine> engines = load_engines(plan);
    for (const std::string& problem : plan.problems)
        std::cerr << "tamberlox-gate: " << problem << '\n';
    int status = run_checks(engines, options, plan.targets, threads_to_use(options.jobs));
    return plan.problems.empty() ? status : 2;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return run_gate(argc, argv);
    } catch (const std::bad_alloc&) {
        exit_with_message(2, kAllocationError);
    }
}
