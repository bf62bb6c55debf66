#pragma once

#include <string>
#include <vector>

#include "gate/set_map.h"

// The files a folder holds, for a run given folders: walked in sorted order,
// leaving out `.git`, the files of the sets themselves (`_tamberlox_*`),
// symbolic links to folders (a link may loop), what is neither a regular file
// nor a folder, and what the patterns leave out.
struct WalkChoice {
    const std::vector<std::string>& excludes;  // --exclude, relative to the current folder
    const SetMap* map;                         // its "-" lines, relative to it; may be null
};

// Whether the path (a file's or a folder's) is left out by the choice.
bool walk_leaves_out(const WalkChoice& choice, const std::string& path);

struct WalkResult {
    std::vector<std::string> files;
    std::vector<std::string> problems;  // folders that could not be read, one message each
};

// Adds the files under folder `dir`, named as `dir` is joined with their paths.
void walk_folder(const WalkChoice& choice, const std::string& dir, WalkResult& result);
