#pragma once

// How many names stay open, as the checker's level counts them: an open adds
// one, a close takes one away, and a close with none open leaves none. Names
// that may close themselves are left out, their closing known only later. An
// end of text under `outermost` ends the text only where none stays open once
// the name that begins at its mark is counted: `\end{document}` ends a
// document, not the example of one that another environment shows.

#include <cstdint>

#include "rules/rules_file.h"

struct OpenNames {
    uint64_t open = 0;
};

inline void count_open_name(OpenNames& names, bool is_close) {
    if (!is_close)
        ++names.open;
    else if (names.open > 0)
        --names.open;
}

inline bool text_ends_at(const RegionRule& rule, const OpenNames& names) {
    return !rule.outermost || names.open == 0;
}
