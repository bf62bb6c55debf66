#pragma once

#include <string>
#include <vector>

// Where a run's set comes from: a folder named with --lists, a set installed
// with the programs and named by its folder's name, or the set or map file
// found in the current folder or the nearest parent that holds one.

constexpr const char* kMapFileName = "_tamberlox_map.txt";

// The folder of the installed sets: $TAMBERLOX_SETS when set and not empty;
// else share/tamberlox/sets beside the program's bin folder when it is there,
// so that a moved prefix still finds its own; else the folder compiled in.
std::string installed_sets_dir();

// The installed sets' names, sorted: the folders there holding an open list.
std::vector<std::string> installed_set_names();

struct SetLookup {
    bool found = false;
    std::string dir;     // the set's folder
    std::string reason;  // when not found: why, as the end of a sentence
};

// `name` as a folder under `base` ("" for the current folder), else, when it
// holds no `/`, as an installed set's name.
SetLookup look_up_set(const std::string& name, const std::string& base);

struct FoundSetup {
    bool is_map = false;  // a map file, not a set's lists
    bool found = false;
    std::string dir;      // the folder it lies in, relative: ".", "..", "../.."
    std::string message;  // when none is found: where it was looked for, line end included
};

// A map file or an open list in the current folder, else in the nearest
// parent that holds one, stopping at a repository's top (a folder holding
// .git) or at the root; a map file before the lists of the same folder.
FoundSetup find_setup();
