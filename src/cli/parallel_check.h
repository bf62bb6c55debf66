#pragma once

#include <cstddef>
#include <cstdint>

#include "tags/tag_table.h"
#include "text/file_reader.h"

// Below this a file is checked on one thread: starting threads costs more than
// they save.
constexpr uint64_t kParallelMinBytes = 16 << 20;

// The threads a check run may use: TAMBERLOX_THREADS when it holds a number
// from 1 on, else the processors this process may run on.
size_t checking_threads();

enum class ParallelCheck { not_taken, reported, read_error, write_error };

// Checks a large regular file on several threads, with the same report as on
// one. not_taken, having done nothing, for anything else (pipes, FIFOs, small
// files, a single thread), which the caller checks on one thread.
ParallelCheck check_in_parallel(FileReader& reader, const TagTable& table);
