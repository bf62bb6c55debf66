#pragma once

// The gate's rules engine run in the process on given bytes, its result in the
// reference's terms, and random rule sets to try it with.

#include <cstddef>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "reference_rules.h"
#include "rules/filter_restart.h"
#include "rules/rules_file.h"
#include "tags/tag_table.h"

// The rules matcher, the rules source and filter, and the checker's counts over
// `bytes` (cut at the first 0x1A), read in chunks of 1 to `most_chunk` bytes of
// random sizes drawn with `seed`, or of `most_chunk` bytes each (the last one
// shorter) when `fixed_chunks`, as a file's reads come: kept names with their
// levels, counts and verdict as reference_rules_check gives them. The seed also picks how the
// matcher walks (a dense table, the trie, tails).
RulesCheck engine_rules_check(std::string_view bytes, const TagTable& table, const TagRules& rules,
                              size_t most_chunk, uint64_t seed, bool fixed_chunks = false);

// The differences between two checks, one a line; empty when they agree.
std::string rules_check_differences(const TagTable& table, const RulesCheck& expected,
                                    const RulesCheck& actual);

// Where reads of `bytes` from the restart points the filter notes (at least
// `spacing` bytes apart) keep other names than the read from the start does
// from there on (id, line, column, offset), read in chunks as
// engine_rules_check reads; empty when every read agrees. Adds the reads from
// restart points to `reads`.
std::string restart_differences(std::string_view bytes, const TagTable& table,
                                const TagRules& rules, size_t most_chunk, uint64_t seed,
                                uint64_t spacing, size_t& reads);

// The restart points the filter notes over `bytes`, `spacing` bytes apart at
// least, read in chunks of `most_chunk` bytes.
std::vector<FilterRestart> noted_restarts(std::string_view bytes, const TagTable& table,
                                          const TagRules& rules, size_t most_chunk,
                                          uint64_t spacing);

// The text of a random rules file for the names: word ends, case, regions of
// every kind with their options, markers in some of them, self-closing marks,
// tag ends and spellings, and branch marks, each now and then, made of bytes of
// `marks`. The parser and the collision
// check decide whether it holds.
std::string random_rules_text(std::mt19937_64& random, const std::vector<std::string>& names,
                              std::string_view marks);
