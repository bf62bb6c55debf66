#pragma once

// How the matcher passes over text where no name can start while it stands at
// the root or near it.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "nesting/tag_matcher.h"

// Moves p to the next byte where the root has work: a byte a name can begin
// with, or a CR. Counts the LFs passed over.
size_t skip_at_root(const TagMatcher& m, const uint8_t* data, size_t p, size_t n, uint64_t& line);

#if defined(__SSE2__)
// Moves p to where the walk must go on from, taking the names settled by their
// first bytes on the way; stops early, before p, once `found` holds kFoundBatch.
size_t skip_hashed_starts(const TagMatcher& m, const uint8_t* data, size_t p, size_t n,
                          uint64_t& line, std::vector<FoundName>& found);
#endif
