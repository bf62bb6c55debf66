#pragma once

// The line of a directive (the directive rule: C's #define), while it lasts:
// no name counts in it, but regions start and end as anywhere, and the bytes
// they cover are theirs, not the directive's. It ends at the first line end it
// sees that does not come right after its escape byte; a line end inside a
// region that goes on past it (a /* comment */ over two lines) is not one it
// sees, and one that ends a region is.

#include <cstdint>

#include "rules/rules_file.h"
#include "rules/rules_text.h"

struct NameMask {
    const RegionRule* rule = nullptr;  // none: off
    uint64_t next = 0;                 // where the next step starts
    bool escaped_end = false;          // the line's text ended right after the escape
    bool cut = false;                  // a CR has ended the line's text
};

inline void start_name_mask(NameMask& mask, const RegionRule& rule, uint64_t next) {
    mask = NameMask{&rule, next, false, false};
}

// Steps the mask over the bytes before `limit`, as far as they are at hand;
// turns it off (rule none) at its end.
void advance_name_mask(NameMask& mask, const RulesText& text, uint64_t limit);
