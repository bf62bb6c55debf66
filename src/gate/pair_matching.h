#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// Matches each pair on its own while the names come in file order: a close name
// matches the latest unmatched open name of its pair. Keeps what the findings
// need and no more: a record per open name, and the closes that match nothing
// or may cross another pair's span.

constexpr uint64_t kNoClose = 0;  // a matched close is never the first name found

struct OpenRecord {
    uint64_t index;  // of the name among those found
    uint64_t line;
    uint64_t close_of;  // 1 + index of the close that matched it, or kNoClose
    uint32_t pair;
};

// A close that matches nothing (open_rank unused), or a matched close that may
// cross: an open of another pair, opened after its own, was still unmatched
// when it came.
struct CloseRecord {
    uint64_t index;
    uint64_t line;
    uint32_t pair;
    uint64_t open_rank = 0;     // its own open, by rank among the opens
    uint64_t opens_before = 0;  // opens before it
};

// Grows by blocks, so that nothing is ever moved or mapped twice.
struct OpenRecords {
    static constexpr size_t kBlock = 4096;
    std::vector<std::unique_ptr<OpenRecord[]>> blocks;
    uint64_t size = 0;

    OpenRecord& operator[](uint64_t rank) { return blocks[rank / kBlock][rank % kBlock]; }
    const OpenRecord& operator[](uint64_t rank) const {
        return blocks[rank / kBlock][rank % kBlock];
    }
    void push_back(const OpenRecord& record) {
        if (size % kBlock == 0)
            blocks.emplace_back(new OpenRecord[kBlock]);
        (*this)[size++] = record;
    }
};

struct PairMatching {
    std::vector<std::vector<uint64_t>> open_ranks;  // by pair: its unmatched opens
    OpenRecords opens;
    // Every open still unmatched, by rank, with matched ones above the top one
    // dropped lazily: its top is the latest unmatched open.
    std::vector<uint64_t> unmatched_stack;
    std::vector<CloseRecord> unmatched_closes;
    std::vector<CloseRecord> candidates;
    uint64_t count = 0;  // names found
};

void start_pair_matching(PairMatching& matching, size_t pairs);

// The next name found. Throws std::bad_alloc when memory runs out.
inline void match_name(PairMatching& matching, uint32_t pair, bool is_close, uint64_t line) {
    uint64_t index = matching.count++;
    std::vector<uint64_t>& ranks = matching.open_ranks[pair];
    if (!is_close) {
        ranks.push_back(matching.opens.size);
        matching.unmatched_stack.push_back(matching.opens.size);
        matching.opens.push_back({index, line, kNoClose, pair});
        return;
    }
    if (ranks.empty()) {
        matching.unmatched_closes.push_back({index, line, pair});
        return;
    }
    uint64_t rank = ranks.back();
    ranks.pop_back();
    std::vector<uint64_t>& stack = matching.unmatched_stack;
    while (matching.opens[stack.back()].close_of != kNoClose)
        stack.pop_back();
    if (stack.back() != rank)
        matching.candidates.push_back({index, line, pair, rank, matching.opens.size});
    matching.opens[rank].close_of = index + 1;
}
