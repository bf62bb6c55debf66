#pragma once

#include <string>

#include "tags/tag_table.h"

// The loaded lists, or why they were rejected.
struct TagTableLoad {
    bool ok = false;
    TagTable table;       // when ok
    std::string message;  // otherwise: the error message, to be written as it stands
};

// A set's file by name: directory, "/" and the file's name, or the file's name
// alone for the current directory ("." or "").
std::string list_file_path(const std::string& directory, const char* file_name);

// Loads "_tamberlox_opn.txt" and then "_tamberlox_cls.txt" from `directory`
// ("." or "" for the current directory) and rejects lists that would make a
// scan ambiguous. The messages name each list file as it was opened: directory,
// "/" and the file's name, or the file's name alone in the current directory.
// Running out of memory while a list is read makes the list "suspicious";
// elsewhere it throws std::bad_alloc.
TagTableLoad load_tag_table(const std::string& directory);
