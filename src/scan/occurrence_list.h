#pragma once

// The occurrences a scan finds, in the order found, packed as a byte stream:
// the list is the only memory that grows with the file. Per occurrence it keeps
// the name id (2 * pair, + 1 for a close name) and the step of the line number
// from the occurrence before (from 0 for the first). lvl is not kept: the
// cursor works it out again from the tags before.
//
// Record layouts, little-endian, told apart by the low bits of the first byte:
//
//   form   bytes  low bits of byte 0   fields above them       holds
//   short  2      ...1                 step: 3 bits, id: 12    id < 2^12, step < 2^3
//   medium 3      ..10                 step: 6 bits, id: 16    id < 2^16, step < 2^6
//   long   3-21   00000000 (byte 0)    then id, step as        anything else
//                                      varints (7 bits a byte,
//                                      high bit: more follow)
//
// A short or medium record never starts with a zero byte: its low bits are 1
// or 10. The list grows by blocks of kOccurrenceBlockSize after a first one of
// kFirstOccurrenceBlockSize (a range of a file may find few names), never copied (a copy
// would map its pages twice); a record never spans two blocks, and a block
// holds up to its own `size` bytes of records.

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

// Where a list's blocks come from: one first chunk of a block, then chunks of
// kOccurrenceChunkSize on huge pages where the system has them. A fresh page
// can cost as much as scanning tens of KB, and a huge page is one fault for
// 512 of them. Lists filled on one thread may share an arena.
struct OccurrenceArena {
    std::vector<std::unique_ptr<uint8_t[], void (*)(uint8_t*)>> chunks;
    uint8_t* next = nullptr;  // the next free block of the last chunk
    uint8_t* end = nullptr;
};

struct OccurrenceBlock {
    uint8_t* bytes = nullptr;  // in the list's arena
    size_t size = 0;           // bytes used, once the next block is started
};

struct OccurrenceList {
    std::vector<OccurrenceBlock> blocks;
    uint8_t* out = nullptr;  // where the next occurrence goes in the last block
    uint8_t* end = nullptr;  // of the last block
    uint64_t count = 0;
    uint64_t last_line = 0;
    std::shared_ptr<OccurrenceArena> arena;  // made with the first block if none is given
};

constexpr size_t kFirstOccurrenceBlockSize = 4 * 1024;
constexpr size_t kOccurrenceBlockSize = 64 * 1024;
constexpr size_t kOccurrenceChunkSize = 2 * 1024 * 1024;
// Room for one occurrence: a zero byte and two varints of up to 10 bytes.
constexpr size_t kMaxOccurrenceBytes = 1 + 2 * 10;

// Throws std::bad_alloc when no memory can be had.
void add_occurrence_block(OccurrenceList& list);

inline uint8_t* put_varint(uint8_t* out, uint64_t value) {
    while (value >= 0x80) {
        *out++ = static_cast<uint8_t>(value | 0x80);
        value >>= 7;
    }
    *out++ = static_cast<uint8_t>(value);
    return out;
}

// The next occurrence starts a new block: the last one has no room left for it.
inline bool next_starts_block(const OccurrenceList& list) {
    return list.end - list.out < static_cast<ptrdiff_t>(kMaxOccurrenceBytes);
}

// Hot: a change needs a benchmark run. Throws std::bad_alloc when no memory can be had.
inline void append_occurrence(OccurrenceList& list, uint64_t name_id, uint64_t line) {
    if (next_starts_block(list))
        add_occurrence_block(list);
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
}

// Reads a list back in order; it starts before the first block.
struct OccurrenceCursor {
    size_t block = SIZE_MAX;
    size_t pos = 0;
    size_t limit = 0;  // of the bytes used in the current block
    uint64_t line = 0;
    int64_t depth = 0;
};

// A cursor for a list whose lines count from the start of a part of a file: its
// line numbers come back increased by `lines_before`, the lines of the file
// before that part, and its levels follow on from `depth`, the depth there.
inline OccurrenceCursor occurrence_cursor(uint64_t lines_before, int64_t depth) {
    OccurrenceCursor cursor;
    cursor.line = lines_before;
    cursor.depth = depth;
    return cursor;
}

// Where the next occurrence of a list will go, for a cursor to start there
// later, once more are appended.
struct OccurrenceMark {
    size_t block;        // of the list
    size_t pos;          // within the block
    uint64_t count;      // occurrences before it
    uint64_t last_line;  // of the occurrence before it
};

inline OccurrenceMark mark_occurrences(const OccurrenceList& list) {
    if (next_starts_block(list))
        return {list.blocks.size(), 0, list.count, list.last_line};
    size_t pos = static_cast<size_t>(list.out - list.blocks.back().bytes);
    return {list.blocks.size() - 1, pos, list.count, list.last_line};
}

inline size_t used_bytes(const OccurrenceList& list, size_t block) {
    if (block + 1 < list.blocks.size())
        return list.blocks[block].size;
    return static_cast<size_t>(list.out - list.blocks[block].bytes);
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

// A cursor reading `list` from `mark` on, its lines and levels as
// occurrence_cursor(lines_before, depth) gives them; depth is the one at the mark.
inline OccurrenceCursor cursor_from_mark(const OccurrenceList& list, const OccurrenceMark& mark,
                                         uint64_t lines_before, int64_t depth) {
    OccurrenceCursor cursor = occurrence_cursor(lines_before + mark.last_line, depth);
    // At a block's start, next_occurrence moves on to the block by itself.
    cursor.block = mark.block - (mark.pos == 0);
    if (mark.pos != 0) {
        cursor.pos = mark.pos;
        cursor.limit = used_bytes(list, mark.block);
    }
    return cursor;
}

// Hot: a change needs a benchmark run. False after the last occurrence.
inline bool next_occurrence(const OccurrenceList& list, OccurrenceCursor& cursor,
                            TagOccurrence& occurrence) {
    while (cursor.pos >= cursor.limit) {
        if (cursor.block + 1 >= list.blocks.size())
            return false;
        ++cursor.block;
        cursor.pos = 0;
        cursor.limit = used_bytes(list, cursor.block);
    }
    const uint8_t* block = list.blocks[cursor.block].bytes;
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
