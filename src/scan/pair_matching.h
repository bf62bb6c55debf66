#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "scan/name_tally.h"
#include "scan/scan_loop.h"

// Matches each pair on its own while the names come in file order: a close name
// matches the latest unmatched open name of its pair. Memory follows the
// unmatched names, not the file: the closes that match nothing, the opens still
// unmatched, and the closes whose span may cross another pair's.
//
// Two matched spans cross when open A < open B < close A < close B (the names
// by their place in the file); it is reported at close A. When close A comes
// and some open of another pair, opened after A's own, is still unmatched, close
// A is pending: it crosses as soon as one of those opens is matched.

// An open name still unmatched.
struct OpenEntry {
    uint64_t rank;   // among the opens
    uint64_t index;  // among the names found
    uint64_t line;
    uint64_t pending_before;  // pending closes when it came
};

struct CloseRecord {
    uint64_t index;
    uint64_t line;
    uint32_t pair;
};

// A close that may cross, and once it does, the open that was still unmatched
// when it came and was matched after it.
struct PendingClose {
    CloseRecord close;
    uint64_t open_rank;  // of its own open
    uint64_t open_line;
    bool crosses = false;
    uint64_t crossed_line = 0;
    uint32_t crossed_pair = 0;
};

// The pending closes in the order they came, with a tree of the smallest
// open_rank over ranges of them (settled ones count as UINT64_MAX), to find
// those a newly matched open settles.
struct PendingCloses {
    std::vector<PendingClose> closes;
    std::vector<uint64_t> smallest_rank;  // leaves from `capacity` on
    size_t capacity = 0;
    size_t unsettled = 0;
};

struct PairMatching {
    std::vector<std::vector<OpenEntry>> unmatched_opens;  // by pair
    // The ranks of the opens in order, matched ones dropped when they reach the
    // top: its top unmatched rank is the latest unmatched open.
    std::vector<uint64_t> open_stack;
    std::vector<uint64_t> matched_bits;  // by rank
    uint64_t opens = 0;
    uint64_t count = 0;  // names found
    std::vector<CloseRecord> unmatched_closes;
    PendingCloses pending;
};

void start_pair_matching(PairMatching& matching, size_t pairs);

// The next name found. Throws std::bad_alloc when memory runs out.
void match_name(PairMatching& matching, uint32_t pair, bool is_close, uint64_t line);

// The gate's sink: every name counted and matched at once, none kept.
struct PairSink {
    NameTally& tally;
    PairMatching& matching;
};

inline void take_names(PairSink& sink, const FoundBatch& batch) {
    PairMatching& matching = sink.matching;
    tally_names(sink.tally, batch.names, [&matching](const FoundName& name) {
        match_name(matching, name.id >> 1, name.id & 1, name.line);
    });
}

inline void end_text(PairSink& sink, const TextScan&) {
    settle_verdict(sink.tally);
}
