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

struct FreeDeleter {
    void operator()(void* memory) const { std::free(memory); }
};

// The occurrences in the order found, packed as a byte stream, since the list is
// the only memory that grows with the file. Per occurrence, in variable-length
// integers: the name id (2 * pair, + 1 for a close tag) shifted left by one, its
// low bit telling whether the line number moved; the line number's increase if
// it did; lvl + 1. Most occurrences take two or three bytes. The buffer grows with
// realloc, which can move a large block's pages instead of copying them.
struct OccurrenceList {
    std::unique_ptr<uint8_t[], FreeDeleter> bytes;
    size_t size = 0;
    size_t capacity = 0;
    uint64_t count = 0;
    uint64_t last_line = 0;
};

// Room for one occurrence: three variable-length integers of at most 10 bytes.
constexpr size_t kMaxOccurrenceBytes = 30;

bool grow_occurrences(OccurrenceList& list);

inline uint8_t* put_varint(uint8_t* out, uint64_t value) {
    while (value >= 0x80) {
        *out++ = static_cast<uint8_t>(value | 0x80);
        value >>= 7;
    }
    *out++ = static_cast<uint8_t>(value);
    return out;
}

// False when no memory could be had.
inline bool append_occurrence(OccurrenceList& list, const TagOccurrence& occurrence) {
    if (list.capacity - list.size < kMaxOccurrenceBytes && !grow_occurrences(list))
        return false;
    uint64_t name_id = uint64_t{occurrence.pair} * 2 + (occurrence.kind == TagKind::close);
    uint64_t line_step = occurrence.line - list.last_line;
    uint8_t* out = list.bytes.get() + list.size;
    out = put_varint(out, name_id << 1 | (line_step != 0));
    if (line_step != 0)
        out = put_varint(out, line_step);
    out = put_varint(out, static_cast<uint64_t>(occurrence.lvl + 1));
    list.size = static_cast<size_t>(out - list.bytes.get());
    list.last_line = occurrence.line;
    ++list.count;
    return true;
}

// Reads the list back in order.
struct OccurrenceCursor {
    size_t pos = 0;
    uint64_t line = 0;
};

inline uint64_t get_varint(const uint8_t* bytes, size_t& pos) {
    uint64_t value = bytes[pos++];
    if (value < 0x80)
        return value;
    value &= 0x7f;
    for (unsigned shift = 7;; shift += 7) {
        uint8_t byte = bytes[pos++];
        value |= uint64_t{byte & 0x7fu} << shift;
        if (byte < 0x80)
            return value;
    }
}

inline bool next_occurrence(const OccurrenceList& list, OccurrenceCursor& cursor,
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

struct ScanState {
    int64_t depth = 0;
    bool ok = true;
    OccurrenceList occurrences;
};
