#pragma once

#include <string>

#include "text/file_reader.h"

// The path that stands for standard input among the files a run opens: a
// file of that name is given as "./-".
constexpr const char* kStandardInputPath = "-";

// Opens `path` for reading, or a copy of standard input for kStandardInputPath;
// as open_file_reader, false when it cannot be read (a directory cannot).
bool open_input_reader(FileReader& reader, const std::string& path);
