#include "text/line_reader.h"

#include "text/text_bytes.h"

bool next_line(LineReader& reader, std::string_view& text) {
    if (reader.rest.empty())
        return false;
    size_t end = reader.rest.find(static_cast<char>(kLf));
    std::string_view line = reader.rest.substr(0, end);
    text = line.substr(0, line.find(static_cast<char>(kCr)));
    reader.rest.remove_prefix(end == std::string_view::npos ? reader.rest.size() : end + 1);
    return true;
}

std::vector<std::string> split_lines(std::string_view bytes) {
    std::vector<std::string> lines;
    LineReader reader{bytes};
    std::string_view text;
    while (next_line(reader, text))
        lines.emplace_back(text);
    return lines;
}
