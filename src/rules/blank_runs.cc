#include "rules/blank_runs.h"

uint64_t blank_run_length(const RulesText& text, TextCase text_case, uint64_t pos,
                          std::string_view pattern) {
    uint64_t end = text_end(text);
    uint64_t q = pos;
    size_t i = 0;
    while (i < pattern.size()) {
        if (i > 0 && pattern[i] == ' ') {
            while (i < pattern.size() && pattern[i] == ' ')
                ++i;
            uint64_t from = q;
            while (q < end && is_blank_byte(*bytes_at(text, q)))
                ++q;
            if (q == end && !text.source_ended)
                return kMoreBytes;
            if (q == from)
                return 0;
            continue;
        }
        if (q == end)
            return text.source_ended ? 0 : kMoreBytes;
        uint8_t byte = *bytes_at(text, q);
        if (text_case == TextCase::fold_compared)
            byte = fold_case(byte);
        if (byte != static_cast<uint8_t>(pattern[i]))
            return 0;
        ++q;
        ++i;
    }
    if (!text.source_ended && q + 2 > end)
        return kMoreBytes;
    return q - pos;
}
