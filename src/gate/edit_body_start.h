#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tags/tag_table.h"

// Where a LaTeX document's missing `\begin{document}` belongs: before the
// first line that starts with a command only a document's body holds. A set
// says which pair holds a document (its close spelling `\end{document}`, or
// `\end{` with the word `document` after it), but no list file or rule says
// which commands only a body holds: that list is LaTeX's own, and kept here.

struct BodyStart {
    bool known = false;  // the set has a pair that closes a document
    uint32_t pair = 0;
    uint64_t word = 0;  // the word the close and open are followed by; 0 when their names hold it
};

// The open a document's body starts with, as written.
extern const char* const kBodyOpenText;

// The pair of `table` that holds a document, if any.
BodyStart body_start_of(const TagTable& table);

// The commands that start a line only a document's body holds.
const std::vector<std::string>& body_leads();
