#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "gate/check_plan.h"
#include "gate/gate_engine.h"
#include "gate/gate_options.h"

// Checks every file with the engine of its set, `jobs` at a time, and writes
// each file's report to standard output in the order given, as soon as it and
// those before it are done. Returns the exit status: 0 when every file passes,
// 1 when some file fails, 2 when some file could not be checked. A failed
// write of standard output ends the run.
int run_checks(const std::vector<GateEngine>& engines, const GateOptions& options,
               const std::vector<CheckTarget>& files, size_t jobs);

constexpr const char* kGateWriteError = "tamberlox-gate: can't write standard output\n";
