#include "text/line_reader.h"

#include "text/text_bytes.h"

namespace {

// The next line's text, a view into `rest`, which it leaves behind the line;
// false once every line is delivered.
bool next_line(std::string_view& rest, std::string_view& text) {
    if (rest.empty())
        return false;
    size_t end = rest.find(static_cast<char>(kLf));
    std::string_view line = rest.substr(0, end);
    text = line.substr(0, line.find(static_cast<char>(kCr)));
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    return true;
}

}  // namespace

std::vector<std::string> split_lines(std::string_view bytes) {
    std::vector<std::string> lines;
    std::string_view text;
    while (next_line(bytes, text))
        lines.emplace_back(text);
    return lines;
}
