#pragma once

#include <string>

#include "tags/name_collision.h"
#include "tags/tag_table.h"

// Why the lists were rejected. Each program words it itself.
enum class RejectionKind {
    none,
    cannot_open,  // `path` could not be opened
    cannot_read,  // `path` could not be read
    suspicious,   // `path` is empty, too long, unequal to the open list or too large for memory
    collision_in_opn,  // names `first` and `second` of `path`, the open list
    collision_in_cls,  // names `first` and `second` of `path`, the close list
    collision_across,  // open name `first` of `path`, close name `second` of `other_path`
};

struct ListRejection {
    RejectionKind kind = RejectionKind::none;
    std::string path;
    std::string other_path;
    std::string first;
    std::string second;
};

// The rejection in the checker's words, one line without its line end: both
// programs say it so, each ending it its own way.
std::string rejection_text(const ListRejection& rejection);

// The loaded lists, or why they were rejected.
struct TagTableLoad {
    bool ok = false;
    TagTable table;  // when ok
    ListRejection rejection;
};

// A set's file by name: directory, "/" and the file's name, or the file's name
// alone for the current directory ("." or "").
std::string list_file_path(const std::string& directory, const char* file_name);

// Loads "_tamberlox_opn.txt" and then "_tamberlox_cls.txt" from `directory`
// ("." or "" for the current directory) and rejects lists that would make a
// scan ambiguous. The rejection names each list file as it was opened:
// directory, "/" and the file's name, or the file's name alone in the current
// directory. Running out of memory while a list is read makes the list
// "suspicious"; elsewhere it throws std::bad_alloc.
TagTableLoad load_tag_table(const std::string& directory);

// The two lists as load_tag_table reads them, without the check for names that
// collide: for a caller with a collision check of its own.
TagTableLoad load_tag_lists(const std::string& directory);

// The rejection for `collision` (none: no rejection), naming the list files of
// `directory` as load_tag_table does.
ListRejection collision_rejection(const TagTable& table, const NameCollision& collision,
                                  const std::string& directory);
