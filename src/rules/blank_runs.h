#pragma once

// Blank runs (the blank-runs rule): a blank in a name, a spelling or a region's
// START, after its first byte, matches any run of spaces and tabs, and a run of
// blanks there matches as one. The automaton finds what comes before the first
// such blank; the rest is matched on the bytes.

#include <cstdint>
#include <string_view>

#include "rules/rules_text.h"

inline size_t first_blank_run(std::string_view text) {
    return text.find(' ', 1);
}

inline bool has_blank_run(std::string_view text) {
    return first_blank_run(text) != std::string_view::npos;
}

inline bool is_blank_byte(int byte) {
    return byte == ' ' || byte == '\t';
}

constexpr uint64_t kMoreBytes = UINT64_MAX;

// The length `pattern` (folded under ignore-case) takes at `pos`, 0 where it
// does not match, kMoreBytes where that or the two bytes after it (a word end,
// a verb's delimiter) are not at hand yet.
uint64_t blank_run_length(const RulesText& text, TextCase text_case, uint64_t pos,
                          std::string_view pattern);
