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

static uint64_t get_varint(const uint8_t* bytes, size_t& pos) {
    uint64_t value = 0;
    for (unsigned shift = 0;; shift += 7) {
        uint8_t byte = bytes[pos++];
        value |= uint64_t{byte & 0x7fu} << shift;
        if (byte < 0x80)
            return value;
    }
}

bool next_occurrence(const OccurrenceList& list, OccurrenceCursor& cursor,
                     TagOccurrence& occurrence) {
    if (cursor.pos >= list.size)
        return false;
    const uint8_t* bytes = list.bytes.get();
    uint64_t head = get_varint(bytes, cursor.pos);
    if (head & 1)
        cursor.line += get_varint(bytes, cursor.pos);
    uint64_t name_id = head >> 1;
    occurrence.line = cursor.line;
    occurrence.pair = static_cast<uint32_t>(name_id >> 1);
    occurrence.kind = (name_id & 1) ? TagKind::close : TagKind::open;
    occurrence.lvl = static_cast<int64_t>(get_varint(bytes, cursor.pos)) - 1;
    return true;
}
