#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "tags/tag_table.h"
#include "text/file_reader.h"

// Below this a file is checked on one thread: starting threads costs more than
// they save.
constexpr uint64_t kParallelMinBytes = 16 << 20;

// The threads a check run may use: TAMBERLOX_THREADS when it holds a number
// from 1 on, else the processors this process may run on.
size_t checking_threads();

// Checks a large regular file on several threads, with the same report as on
// one, and ends the run through fatal_error when that fails. False, having
// done nothing, for anything else (pipes, FIFOs, small files, a single
// thread), which the caller checks on one thread.
bool check_in_parallel(FileReader& reader, const std::string& file_name, const TagTable& table);
