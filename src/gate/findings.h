#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gate/file_check.h"

// Where the nesting breaks, pair by pair: a close name matches the latest
// unmatched open name of its own pair.
// - a close name with nothing to match closes nothing;
// - an open name left unmatched at the end is never closed;
// - a close whose span crosses a later-closed span of another pair is a
//   warning at that close (the checker's shared level accepts it);
// - a pair whose counts differ gets one line; so does a file with no listed name.
// Unmatched names are errors in a file judged "Errors may exist." and warnings
// in a file judged OK (the shared level can balance "( } { )"). With `strict`
// every warning is an error.

enum class Severity : uint8_t { warning, error };

struct Finding {
    uint64_t line = 0;  // 0 for a finding about the whole file
    Severity severity = Severity::warning;
    std::string message;
};

struct PairNames {
    const std::vector<std::string>* opn_tag;
    const std::vector<std::string>* cls_tag;
};

std::vector<Finding> find_findings(const FileCheck& check, PairNames names, bool strict);

// A file fails when it could not be checked or has an error.
bool file_fails(const FileCheck& check, const std::vector<Finding>& findings);
