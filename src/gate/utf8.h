#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// The length of the well-formed UTF-8 character at `at` of `bytes`, its code
// point in `code`; 0 for a byte that starts none (ASCII included: a caller
// takes those itself), an overlong form, a surrogate, beyond U+10FFFF or cut
// short.
inline size_t utf8_character(std::string_view bytes, size_t at, uint32_t& code) {
    auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[at + i]); };
    unsigned char lead = byte(0);
    size_t length = lead >= 0xf0 ? 4 : lead >= 0xe0 ? 3 : 2;
    if (lead < 0xc2 || lead > 0xf4 || bytes.size() - at < length)
        return 0;
    code = lead & (0x7f >> length);
    for (size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xc0) != 0x80)
            return 0;
        code = code << 6 | (byte(i) & 0x3f);
    }
    static constexpr uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    bool fits = code >= kSmallest[length] && code <= 0x10ffff;
    bool surrogate = code >= 0xd800 && code <= 0xdfff;
    return fits && !surrogate ? length : 0;
}
