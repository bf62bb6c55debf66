#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

enum class TagKind : uint8_t { open = 1, close = 2 };

// One name found in the checked file. lvl is the depth before an open tag and
// after a close tag, so a close tag shows the lvl of the open tag it closes;
// -1 marks a close tag met at depth 0.
struct TagOccurrence {
    int64_t lvl;
    uint64_t line;
    uint32_t pair;
    TagKind kind;
};
static_assert(sizeof(TagOccurrence) == 24, "the occurrence list is the memory that grows with the file");

struct FreeDeleter {
    void operator()(void* memory) const { std::free(memory); }
};

// Grown with realloc, which can move a large block's pages instead of copying
// them, so the peak stays near the list's own size.
struct OccurrenceList {
    std::unique_ptr<TagOccurrence[], FreeDeleter> data;
    size_t size = 0;
    size_t capacity = 0;
};

bool grow_occurrences(OccurrenceList& list);

// False when no memory could be had.
inline bool append_occurrence(OccurrenceList& list, const TagOccurrence& occurrence) {
    if (list.size == list.capacity && !grow_occurrences(list)) return false;
    list.data[list.size++] = occurrence;
    return true;
}

struct ScanState {
    int64_t depth = 0;
    bool ok = true;
    OccurrenceList occurrences;
};
