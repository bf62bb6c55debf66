#pragma once

// Skipping by the bytes where a name may start, for lists with more first bytes
// than the block compares take and no name shorter than two bytes. The first
// start_bytes bytes at every position (up to four) are hashed into a set of
// 2^19 bits, 32 positions at a time with AVX2 gathers where the processor has
// them. A position that passes goes to one slot of an open-addressed table,
// whose answer settles it or hands it to the walk.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "match/found_name.h"
#include "match/trie_automaton.h"

constexpr size_t kInlineName = 19;

// What the names beginning with one key of start bytes leave to do.
enum class StartAnswer : uint8_t {
    no_name,   // an empty slot: no name begins so
    one_name,  // just one short name: compared on the spot
    walk,      // more than one, or a long one: the walk must tell
};

// One key's slot, 32 bytes.
struct StartSlot {
    uint32_t key = 0;
    StartAnswer answer = StartAnswer::no_name;
    uint8_t length = 0;  // of the one name
    uint8_t bytes[kInlineName] = {};
    // What `answer` points at: for one_name the name's id; for walk where the walk stands after the
    // start bytes (a row's code with a dense table, else a state), or the root: the walk begins at
    // the start itself.
    uint32_t answer_value = 0;
};

struct HashedStartSkip {
    size_t start_bytes = 0;
    uint32_t start_mask = 0;  // keeps the start bytes of a 4-byte load
    std::vector<uint64_t> start_hashes;
    // Open addressing, with one more slot at the end that sends the walk on from
    // where the start bytes begin.
    std::vector<StartSlot> slots;
    uint32_t slot_mask = 0;
    // A key's own slot is the top bits of its hash, which every bit of the key
    // moves: keys that differ only in their high bits share the low bits of
    // every product, whatever the factor.
    unsigned slot_shift = 0;
    uint32_t factor = 0;  // of the hash, chosen so that few keys crowd one slot
    // The processor takes 32-byte blocks (AVX2).
    bool wide_blocks = false;
};

constexpr unsigned kStartHashBits = 19;
// Skipping by hash pays while at most about one position in sixteen passes.
constexpr size_t kMaxHashedStarts = (size_t{1} << kStartHashBits) / 16;

// Factors of the start hash, tried in turn until the starts spread well: a list
// made to crowd the slots of one factor spreads over those of the next.
constexpr uint32_t kStartHashFactors[] = {0x9e3779b1u, 0x85ebca6bu, 0xc2b2ae35u, 0x27d4eb2fu};

// A key is looked for in at most this many slots from its own: a list whose keys
// crowd some slots cannot make a lookup longer. A key that finds none of them
// free when the slots are filled is left to the walk, and so is any key whose
// lookup finds them all taken by others.
constexpr size_t kStartProbes = 32;

// Fills the skip for `starts` distinct keys of `start_bytes` bytes; returns how
// many starts are left to the walk: those of more than one name, of a long one,
// or crowded out of their slots. Throws std::bad_alloc when memory runs out.
// `first_factor`, when not 0, is tried before the fixed factors.
size_t build_hashed_start_skip(const Patterns& names, size_t start_bytes, size_t starts,
                               bool wide_blocks, uint32_t first_factor, HashedStartSkip& skip);

// Where the walk stands after the start bytes that it is left: `code_of` maps
// the trie's states to the walk's codes, or is empty when they are the same.
void set_walk_states(const TrieAutomaton& trie, const std::vector<uint32_t>& code_of,
                     HashedStartSkip& skip);

// The first bytes of `bytes` (at least four readable) as start_mask keeps them.
inline uint32_t start_key(const uint8_t* bytes, uint32_t start_mask) {
    uint32_t key;
    std::memcpy(&key, bytes, sizeof key);
    return key & start_mask;
}

inline uint32_t start_hash(uint32_t key, uint32_t factor) {
    return (key * factor) >> (32 - kStartHashBits);
}

// The slot a key is looked for in first.
inline size_t home_slot(const HashedStartSkip& skip, uint32_t key) {
    return start_hash(key, skip.factor) >> skip.slot_shift;
}

// The slot holding `key`, or the empty one where it would go; the slot past
// slot_mask when all kStartProbes slots from its own hold other keys. Adds the
// slots it looked past to `probes`.
inline size_t start_slot(const HashedStartSkip& skip, uint32_t key, uint64_t& probes) {
    size_t slot = home_slot(skip, key);
    for (size_t probe = 0; probe < kStartProbes; ++probe) {
        const StartSlot& s = skip.slots[slot];
        if (s.key == key || s.answer == StartAnswer::no_name) {
            probes += probe;
            return slot;
        }
        slot = (slot + 1) & skip.slot_mask;
    }
    probes += kStartProbes;
    return size_t{skip.slot_mask} + 1;
}

inline size_t start_slot(const HashedStartSkip& skip, uint32_t key) {
    uint64_t probes = 0;
    return start_slot(skip, key, probes);
}

// At a start left to the walk: the position and state the walk goes on from.
inline size_t pass_start_bytes(const HashedStartSkip& skip, const uint8_t* data, size_t p, size_t n,
                               uint32_t& state) {
    if (n - p < 4)
        return p;
    const StartSlot& slot = skip.slots[start_slot(skip, start_key(data + p, skip.start_mask))];
    if (slot.answer != StartAnswer::walk)
        return p;
    state = slot.answer_value;
    return state == 0 ? p : p + skip.start_bytes;
}

#if defined(__SSE2__)
// Moves p to where the walk must go on from, taking the names settled by their
// first bytes on the way; stops early, before p, once `found` holds kFoundBatch.
// `offset`: of data[0] from where the scan began. Adds to `cost` a unit for each
// position it stops at and each slot it probes past the first.
// Hot: a change needs a benchmark run.
size_t skip_hashed_starts(const HashedStartSkip& skip, const uint8_t* data, size_t p, size_t n,
                          uint64_t offset, uint64_t& line, std::vector<FoundName>& found,
                          uint64_t& cost);
#endif
