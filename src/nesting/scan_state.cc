#include "nesting/scan_state.h"

bool grow_occurrences(OccurrenceList& list) {
    constexpr size_t kFirstCapacity = 64 * 1024;
    size_t capacity = list.capacity == 0 ? kFirstCapacity : list.capacity * 2;
    if (capacity < list.capacity)
        return false;
    void* grown = std::realloc(list.bytes.get(), capacity);
    if (grown == nullptr)
        return false;
    (void)list.bytes.release();
    list.bytes.reset(static_cast<uint8_t*>(grown));
    list.capacity = capacity;
    return true;
}
