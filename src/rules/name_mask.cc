#include "rules/name_mask.h"

#include <algorithm>

void advance_name_mask(NameMask& mask, const RulesText& text, uint64_t limit) {
    limit = std::min(limit, text_end(text));
    const RegionRule& rule = *mask.rule;
    for (; mask.next < limit; ++mask.next) {
        uint8_t byte = *bytes_at(text, mask.next);
        if (byte == kLf) {
            if (!mask.escaped_end) {
                mask.rule = nullptr;
                return;
            }
            mask.escaped_end = mask.cut = false;
        } else if (byte == kCr) {
            mask.cut = true;
        } else if (!mask.cut && rule.has_escape && byte == static_cast<uint8_t>(rule.escape)) {
            if (!text.source_ended && mask.next + 1 >= text_end(text))
                return;
            int after = byte_at(text, mask.next + 1);
            mask.escaped_end = after < 0 || is_line_end(after);
        }
    }
}
