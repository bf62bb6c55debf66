#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The map file ties the files of a project to sets, one rule a line:
// `PATTERN SET`, blanks or tabs between, the pattern as path_glob.h reads it,
// matched against the path relative to the map's folder. SET is a folder
// relative to the map or an installed set's name; `-` leaves out what the
// pattern matches, folders with everything in them, wherever the line stands.
// Of the other lines the first that matches a file gives its set; a file that
// none matches is left out. Blank lines and lines whose first non-blank byte
// is `#` are skipped; a field starting with `#` starts a comment.

struct MapLine {
    std::string pattern;
    std::string set;  // as written; "-" leaves out
    size_t line = 0;
};

struct MapParse {
    std::vector<MapLine> lines;
    size_t bad_line = 0;  // 0: every line is good
    std::string problem;  // why the bad line is bad
};

MapParse parse_map_text(std::string_view text);

constexpr size_t kNoSet = SIZE_MAX;

struct SetRule {
    std::string pattern;
    size_t set;  // index into SetMap::set_dirs
};

struct SetMap {
    std::string dir;                     // the map's folder, as found
    std::string top;                     // the same, absolute: paths are relative to it
    std::vector<std::string> leave_out;  // the patterns of the "-" lines
    std::vector<SetRule> rules;          // the other lines, in order
    std::vector<std::string> set_dirs;   // each set's folder once
};

struct MapLoad {
    bool ok = false;
    SetMap map;
    std::string message;  // when not ok, line end included
};

// Reads the map file `file_name` in folder `dir` and finds each set it names.
MapLoad load_set_map(const std::string& dir, const std::string& file_name);

// Whether a pattern of `patterns` matches `relative` or one of the folders it
// lies in.
bool is_left_out(const std::vector<std::string>& patterns, std::string_view relative);

// The set of the file at `relative`, or kNoSet when the map leaves it out or
// names it nowhere.
size_t set_for_path(const SetMap& map, std::string_view relative);
