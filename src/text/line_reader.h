#pragma once

#include <string>
#include <string_view>
#include <vector>

// The texts of all lines of `bytes` held in memory: a line ends at LF, and its
// text is its bytes before its first CR; every other byte, NUL included, is
// ordinary. A last line without LF counts; bytes ending in LF have no empty
// line after it. Throws std::bad_alloc when memory runs out.
std::vector<std::string> split_lines(std::string_view bytes);
