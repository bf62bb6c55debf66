#include "nesting/scan_state.h"

#include <cstdint>

bool grow_occurrences(OccurrenceList& list) {
    constexpr size_t kFirstCapacity = 1024;
    size_t capacity = list.capacity == 0 ? kFirstCapacity : list.capacity * 2;
    if (capacity > SIZE_MAX / sizeof(TagOccurrence)) return false;
    void* grown = std::realloc(list.data.get(), capacity * sizeof(TagOccurrence));
    if (grown == nullptr) return false;
    (void)list.data.release();
    list.data.reset(static_cast<TagOccurrence*>(grown));
    list.capacity = capacity;
    return true;
}
