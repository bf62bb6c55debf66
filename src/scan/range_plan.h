#pragma once

#include <cstddef>
#include <cstdint>

// How a large file is cut for a scan on several threads. The defaults are what
// a check run uses; tests choose tiny sizes so that small files cross every edge.
struct ParallelPlan {
    size_t threads = 2;
    // A range's nominal size: small enough for the threads to end together.
    uint64_t range_bytes = 4 << 20;
    // A fresh page costs as much as scanning many KB: the report formats into
    // the read buffers, and few blocks more.
    size_t read_bytes = 128 * 1024;  // one pread
    size_t output_block_bytes = 128 * 1024;
    size_t output_blocks = 4;  // per formatting thread
    // For tests: a read that reaches this offset fails, as on a damaged disk.
    uint64_t unreadable_from = UINT64_MAX;
};

// How many ranges a file of `size` bytes is cut into: whole rounds of the
// threads, so that they end together, and every nominal range at least a byte
// long, so that their starts differ.
uint64_t range_count(const ParallelPlan& plan, uint64_t size);

// Where nominal range `index` of `count` begins in a file of `size` bytes. A
// range then holds the lines that start in its nominal bytes.
inline uint64_t nominal_begin(uint64_t size, uint64_t count, uint64_t index) {
    return size / count * index + size % count * index / count;
}
