#pragma once

// What building the matcher, its walk and its skips share.

#include <cstdint>
#include <cstring>

#include "nesting/tag_matcher.h"
#include "text/text_bytes.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
// 32-byte blocks where the processor has them (AVX2), chosen when the matcher
// is built.
#if defined(__SSE2__) && defined(__x86_64__) && defined(__GNUC__)
#define TAMBERLOX_AVX2 1
#endif

// Byte roles for the root's skip loop; every other byte is passed over.
constexpr uint8_t kLineEnd = 1;
constexpr uint8_t kStop = 2;

// The trie's transition with failure links, for matchers without a full table.
uint32_t step(const TagMatcher& m, uint32_t state, uint8_t byte);

// The first bytes of `bytes` (at least four readable) as start_mask keeps them.
inline uint32_t start_key(const uint8_t* bytes, uint32_t start_mask) {
    uint32_t key;
    std::memcpy(&key, bytes, sizeof key);
    return key & start_mask;
}

constexpr unsigned kStartHashBits = 19;
constexpr uint32_t kStartHashFactor = 0x9e3779b1u;

inline uint32_t start_hash(uint32_t key) {
    return (key * kStartHashFactor) >> (32 - kStartHashBits);
}

// The slot holding `key`, or the empty one where it would go.
inline size_t start_slot(const TagMatcher& m, uint32_t key) {
    size_t slot = start_hash(key) & m.start_slot_mask;
    while (m.start_slots[slot].key != key && m.start_slots[slot].id != kNoStart)
        slot = (slot + 1) & m.start_slot_mask;
    return slot;
}

#if defined(__SSE2__)
inline uint32_t bits_of(__m128i bytes) {
    return static_cast<uint32_t>(_mm_movemask_epi8(bytes));
}
#endif
