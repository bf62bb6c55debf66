#include "text/text_lines.h"

#include "text/text_bytes.h"

std::vector<std::string> split_lines(std::string_view bytes) {
    std::vector<std::string> lines;
    while (!bytes.empty()) {
        size_t end = bytes.find(static_cast<char>(kLf));
        std::string_view line = bytes.substr(0, end);
        lines.emplace_back(line.substr(0, line.find(static_cast<char>(kCr))));
        bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
    }
    return lines;
}
