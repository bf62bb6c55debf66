#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

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

// A tag met at `depth`: returns its lvl and moves depth on. A close tag met
// at depth 0 has lvl -1 and leaves the depth at 0.
inline int64_t enter_tag(int64_t& depth, bool is_close) {
    depth -= is_close;
    int64_t lvl = depth;
    depth += !is_close;
    if (depth < 0)
        depth = 0;
    return lvl;
}

// The occurrences in the order found, packed as a byte stream, since the list is
// the only memory that grows with the file. Per occurrence: the name id (2 * pair,
// + 1 for a close tag) and the increase of the line number. lvl is not kept: the
// reader works it out again from the tags before. Most occurrences take two or
// three bytes, little-endian: id << 4 | increase << 1 | 1 for an id below 2^12
// and an increase below 2^3, or id << 8 | increase << 2 | 2 for an id below
// 2^16 and an increase below 2^6. The others take a zero byte and two
// variable-length integers. The list grows by blocks, never copied: a copy
// would map its pages twice.
struct OccurrenceBlock {
    std::unique_ptr<uint8_t[]> bytes;
    size_t size = 0;  // bytes used, once the next block is started
};

struct OccurrenceList {
    std::vector<OccurrenceBlock> blocks;
    uint8_t* out = nullptr;  // where the next occurrence goes in the last block
    uint8_t* end = nullptr;  // of the last block
    uint64_t count = 0;
    uint64_t last_line = 0;
};

constexpr size_t kOccurrenceBlockSize = 64 * 1024;
// Room for one occurrence: a zero byte and two variable-length integers.
constexpr size_t kMaxOccurrenceBytes = 1 + 2 * 10;

// False when no memory could be had.
bool add_occurrence_block(OccurrenceList& list);

inline uint8_t* put_varint(uint8_t* out, uint64_t value) {
    while (value >= 0x80) {
        *out++ = static_cast<uint8_t>(value | 0x80);
        value >>= 7;
    }
    *out++ = static_cast<uint8_t>(value);
    return out;
}

// False when no memory could be had.
inline bool append_occurrence(OccurrenceList& list, uint64_t name_id, uint64_t line) {
    if (list.end - list.out < static_cast<ptrdiff_t>(kMaxOccurrenceBytes) &&
        !add_occurrence_block(list))
        return false;
    uint64_t line_step = line - list.last_line;
    uint8_t* out = list.out;
    // Which of the short forms may be a coin toss: no branch on it.
    bool two_bytes = name_id < (1 << 12) && line_step < (1 << 3);
    bool three_bytes = name_id < (1 << 16) && line_step < (1 << 6);
    if (two_bytes || three_bytes) {
        uint64_t word =
            two_bytes ? name_id << 4 | line_step << 1 | 1 : name_id << 8 | line_step << 2 | 2;
        out[0] = static_cast<uint8_t>(word);
        out[1] = static_cast<uint8_t>(word >> 8);
        out[2] = static_cast<uint8_t>(word >> 16);
        list.out += two_bytes ? 2 : 3;
    } else {
        out[0] = 0;
        out = put_varint(out + 1, name_id);
        list.out = put_varint(out, line_step);
    }
    list.last_line = line;
    ++list.count;
    return true;
}

// Reads the list back in order; it starts before the first block.
struct OccurrenceCursor {
    size_t block = SIZE_MAX;
    size_t pos = 0;
    size_t limit = 0;  // of the bytes used in the current block
    uint64_t line = 0;
    int64_t depth = 0;
};

inline size_t used_bytes(const OccurrenceList& list, size_t block) {
    if (block + 1 < list.blocks.size())
        return list.blocks[block].size;
    return static_cast<size_t>(list.out - list.blocks[block].bytes.get());
}

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
    while (cursor.pos >= cursor.limit) {
        if (cursor.block + 1 >= list.blocks.size())
            return false;
        ++cursor.block;
        cursor.pos = 0;
        cursor.limit = used_bytes(list, cursor.block);
    }
    const uint8_t* block = list.blocks[cursor.block].bytes.get();
    const uint8_t* bytes = block + cursor.pos;
    uint64_t name_id;
    if (bytes[0] != 0) {
        bool two_bytes = bytes[0] & 1;
        uint32_t word = bytes[0] | bytes[1] << 8 | (two_bytes ? 0 : bytes[2] << 16);
        cursor.line += two_bytes ? word >> 1 & 7 : word >> 2 & 63;
        name_id = two_bytes ? word >> 4 : word >> 8;
        cursor.pos += two_bytes ? 2 : 3;
    } else {
        ++cursor.pos;
        name_id = get_varint(block, cursor.pos);
        cursor.line += get_varint(block, cursor.pos);
    }
    bool is_close = name_id & 1;
    occurrence.line = cursor.line;
    occurrence.pair = static_cast<uint32_t>(name_id >> 1);
    occurrence.kind = is_close ? TagKind::close : TagKind::open;
    occurrence.lvl = enter_tag(cursor.depth, is_close);
    return true;
}

struct ScanState {
    int64_t depth = 0;
    bool ok = true;
    OccurrenceList occurrences;
};
