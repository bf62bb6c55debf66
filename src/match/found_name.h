#pragma once

#include <cstddef>
#include <cstdint>

// A name found: its id (2 * pair for the open name, 2 * pair + 1 for the close
// name), the number of the line it stands on, and the offset of its first byte
// from where the scan began (as TextScan.offset counts).
struct FoundName {
    uint32_t id;
    uint64_t line;
    uint64_t start;
    bool operator==(const FoundName&) const = default;
};

// The most names one call of find_names hands out.
constexpr size_t kFoundBatch = 1024;
