#pragma once

#include <string>

// Paths taken apart by their bytes alone, as the map and the folder walk need
// them: nothing here asks the file system but for the current folder.

// `path` made absolute against the current folder, with `.`, `..` and
// repeated slashes taken out.
std::string absolute_path(const std::string& path);

// Absolute `path` relative to absolute folder `top`: "a/b", "." for `top`
// itself, "../x" for what lies outside it.
std::string relative_path(const std::string& top, const std::string& path);

// `dir` and `name` joined by one slash; `name` alone when `dir` is ".".
std::string child_path(const std::string& dir, const std::string& name);
