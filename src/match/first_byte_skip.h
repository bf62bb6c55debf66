#pragma once

// Skipping at the root by the bytes names begin with: when there are at most
// four of them, blocks of text without any of them (or a CR) are passed whole,
// their LFs counted.

#include <array>
#include <cstddef>
#include <cstdint>

#include "match/trie_automaton.h"

// The root skips whole blocks when names begin with at most this many bytes.
constexpr size_t kMaxSkipBytes = 4;

// Byte roles for the root's skip loop; every other byte is passed over.
constexpr uint8_t kLineEnd = 1;
constexpr uint8_t kStop = 2;

struct FirstByteSkip {
    // Where the root stops skipping: a byte a name can begin with, or a CR.
    std::array<uint8_t, 256> byte_role{};
    size_t first_byte_count = 0;
    // Each of those bytes (unused places repeating one of them), then LF and CR,
    // 16 times over: ready for block compares.
    std::array<std::array<uint8_t, 16>, kMaxSkipBytes + 2> byte_blocks{};
};

// Returns whether blocks can be skipped: few enough first bytes, and block
// compares on this processor. Otherwise comparing with each first byte would
// cost more than it saves.
bool build_first_byte_skip(const TrieAutomaton& trie, FirstByteSkip& skip);

// Moves p to the next byte where the root has work: a byte a name can begin
// with, or a CR. Counts the LFs passed over.
// Hot: a change needs a benchmark run.
size_t skip_at_root(const FirstByteSkip& skip, const uint8_t* data, size_t p, size_t n,
                    uint64_t& line);
