#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What the gate learns about one checked file: the checker's own verdict, every
// listed name found in file order with its pair and line, and the per-pair
// counts; or why the file could not be checked.

enum class GateTagKind : uint8_t { open, close };

struct PairOccurrence {
    uint64_t line;
    uint32_t pair;
    GateTagKind kind;
};

enum class FileStatus { checked, cannot_open, cannot_read, out_of_memory };

struct FileCheck {
    FileStatus status = FileStatus::checked;
    std::string problem;  // the system's reason when the file could not be checked
    bool judged_ok = true;
    std::vector<PairOccurrence> occurrences;
    std::vector<uint64_t> opn_num;
    std::vector<uint64_t> cls_num;
};
