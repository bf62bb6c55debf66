#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <type_traits>
#include <vector>

#include "scan/block_stack.h"
#include "text/spill_file.h"

// A block of spilled records read back.
template <typename T>
struct SpoolReader {
    std::vector<T> block;
    uint64_t first = 0;
};

// Records appended in order and read back by index, mostly in order: the
// latest block in memory, the ones before it in a spill file, so that memory
// stays at one block however many records come. A record may be written again
// in part (a few of its bytes) while records come. Where no spill file can be
// had or written, the records stay in memory, as a plain stack would keep them.
// One thread at a time reads a spool: it keeps the block it read last.
template <typename T>
struct RecordSpool {
    static_assert(std::is_trivially_copyable_v<T>);
    static constexpr uint64_t kBlockRecords = 4096;
    BlockStack<T> kept;  // the records from `spilled` on
    SpillFile file;      // the records before `spilled`
    uint64_t spilled = 0;
    uint64_t size = 0;
    mutable SpoolReader<T> read{};
};

// Writes the records in memory to the file (a block of them: one write);
// where that fails they stay in memory, and all that come after them.
template <typename T>
void spill_kept(RecordSpool<T>& spool) {
    static_assert(RecordSpool<T>::kBlockRecords <= kMostSpillPieces * BlockStack<T>::kBlockSize);
    BlockStack<T>& kept = spool.kept;
    SpillPiece pieces[kMostSpillPieces];
    size_t count = 0;
    for (uint64_t first = 0; first < kept.size; first += BlockStack<T>::kBlockSize) {
        uint64_t records = std::min<uint64_t>(BlockStack<T>::kBlockSize, kept.size - first);
        pieces[count++] = {kept.blocks[first >> BlockStack<T>::kBlockBits].get(),
                           records * sizeof(T)};
    }
    if (!append_to_spill(spool.file, pieces, count))
        return;
    spool.spilled += kept.size;
    kept.size = 0;
}

// Throws std::bad_alloc when memory runs out.
template <typename T>
inline void spool_push(RecordSpool<T>& spool, const T& record) {
    block_stack_push(spool.kept, record);
    ++spool.size;
    if (spool.kept.size == RecordSpool<T>::kBlockRecords && !spool.file.failed)
        spill_kept(spool);
}

// Record `i`; nullptr when it cannot be read back from the file.
template <typename T>
const T* spool_record(const RecordSpool<T>& spool, uint64_t i) {
    if (i >= spool.spilled)
        return &block_stack_item(spool.kept, i - spool.spilled);
    SpoolReader<T>& reader = spool.read;
    if (i < reader.first || i - reader.first >= reader.block.size()) {
        uint64_t count = std::min(RecordSpool<T>::kBlockRecords, spool.spilled - i);
        reader.block.resize(count);
        reader.first = i;
        if (!read_from_spill(spool.file, i * sizeof(T), reader.block.data(), count * sizeof(T))) {
            reader.block.clear();
            return nullptr;
        }
    }
    return &reader.block[i - reader.first];
}

// Writes `size` bytes of record `i` again, from byte `offset` of it. Throws
// std::bad_alloc when a spilled record cannot be written: the records would
// be wrong, and the file is not checked.
template <typename T>
void spool_rewrite(RecordSpool<T>& spool, uint64_t i, size_t offset, const void* bytes,
                   size_t size) {
    if (i >= spool.spilled) {
        std::memcpy(
            reinterpret_cast<char*>(&block_stack_item(spool.kept, i - spool.spilled)) + offset,
            bytes, size);
        return;
    }
    spool.read.block.clear();
    if (!write_to_spill(spool.file, i * sizeof(T) + offset, bytes, size))
        throw std::bad_alloc();
}

// A walk through a spool's records in order that may change them: the spilled
// ones are read a block at a time and each block is written back when the walk
// leaves it, so that changing every record costs a read and a write a block.
template <typename T>
struct SpoolCursor {
    RecordSpool<T>& spool;
    uint64_t next = 0;
    std::vector<T> block;  // spilled records from `first` on, as changed
    uint64_t first = 0;
    bool failed = false;  // a block could not be read or written back
};

template <typename T>
bool write_back_block(SpoolCursor<T>& cursor) {
    if (cursor.block.empty())
        return true;
    bool written = write_to_spill(cursor.spool.file, cursor.first * sizeof(T), cursor.block.data(),
                                  cursor.block.size() * sizeof(T));
    cursor.block.clear();
    cursor.spool.read.block.clear();
    cursor.failed = cursor.failed || !written;
    return written;
}

// The next record to change; nullptr after the last, or once a block failed.
template <typename T>
T* spool_cursor_next(SpoolCursor<T>& cursor) {
    RecordSpool<T>& spool = cursor.spool;
    uint64_t i = cursor.next;
    if (i >= spool.size || cursor.failed)
        return nullptr;
    ++cursor.next;
    if (i >= spool.spilled)
        return write_back_block(cursor) ? &block_stack_item(spool.kept, i - spool.spilled)
                                        : nullptr;
    if (cursor.block.empty() || i - cursor.first >= cursor.block.size()) {
        if (!write_back_block(cursor))
            return nullptr;
        uint64_t count = std::min(RecordSpool<T>::kBlockRecords, spool.spilled - i);
        cursor.block.resize(count);
        cursor.first = i;
        if (!read_from_spill(spool.file, i * sizeof(T), cursor.block.data(), count * sizeof(T))) {
            cursor.block.clear();
            cursor.failed = true;
            return nullptr;
        }
    }
    return &cursor.block[i - cursor.first];
}

// Writes back the block under way: false when any block failed.
template <typename T>
bool finish_spool_cursor(SpoolCursor<T>& cursor) {
    write_back_block(cursor);
    return !cursor.failed;
}
