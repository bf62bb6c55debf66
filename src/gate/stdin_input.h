#pragma once

#include <string>

#include "text/file_reader.h"

// The path that stands for standard input among the files a run opens: a
// file of that name is given as "./-".
constexpr const char* kStandardInputPath = "-";

// Opens `path` for reading, or a copy of standard input for kStandardInputPath;
// as open_file_reader, false when it cannot be read (a directory cannot).
// With `rereadable`, an input that cannot be read again at an offset (a pipe,
// a terminal) is copied first into a temporary file that is read instead, so
// that its lines can be read again after the scan; false, with errno, when
// that copy cannot be made.
bool open_input_reader(FileReader& reader, const std::string& path, bool rereadable = false);
