#include "rules/number_before.h"

namespace {

bool is_digit(int byte) {
    return byte >= '0' && byte <= '9';
}

bool is_number_byte(uint8_t byte) {
    return is_digit(byte) || (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
           byte == '_' || byte == '.' || byte == '\'';
}

}  // namespace

bool number_before(const RulesText& text, uint64_t pos) {
    uint64_t from = pos;
    while (from > text.offset && pos - from <= kNumberReach &&
           is_number_byte(*bytes_at(text, from - 1)))
        --from;
    if (from == pos || pos - from > kNumberReach)
        return false;
    int first = *bytes_at(text, from);
    return is_digit(first) ||
           (first == '.' && from + 1 < pos && is_digit(*bytes_at(text, from + 1)));
}
