#pragma once

#include <cstddef>

#include "gate/column_unit.h"
#include "gate/file_check.h"

// The scan gives every name its column in bytes. A run that reports columns in
// another unit counts them again after the scan, for the places its findings
// and notes stand at alone: their lines are read again from the file, from its
// start up to the last of them, once for each kind of record (each kind keeps
// its records in file order), and each line's bytes before its names are
// counted once in the unit. A file without findings at names costs nothing.

// Counts the columns of `check`'s places again in `unit`, reading the file open
// as `fd` with pread into `buffer` (`room` bytes). False on a read error; a
// place its line no longer reaches keeps its count in bytes. Throws
// std::bad_alloc.
bool recount_columns(FileCheck& check, int fd, ColumnUnit unit, char* buffer, size_t room);
