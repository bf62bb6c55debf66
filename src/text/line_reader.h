#pragma once

#include <string>
#include <string_view>
#include <vector>

// The lines of a file's bytes held in memory: a line ends at LF, and its text is
// its bytes before its first CR; every other byte, NUL included, is ordinary. A
// last line without LF counts; bytes ending in LF have no empty line after it.
struct LineReader {
    std::string_view rest;  // the bytes not yet delivered
};

// The next line's text, a view into the bytes; false once every line is delivered.
bool next_line(LineReader& reader, std::string_view& text);

// The texts of all lines of `bytes`. Throws std::bad_alloc when memory runs out.
std::vector<std::string> split_lines(std::string_view bytes);
