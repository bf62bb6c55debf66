#pragma once

// The automaton as a full transition table over byte classes, for lists small
// enough: one load a byte. Its rows are the trie's states renumbered so that a
// row's place tells what the walk must do there; an entry is the code of its
// target, the start of the target's row (row * class_count).
//
//   code 0                  the root
//   .. shallow              states shallower than the bytes skipping looks at:
//                           the root, then depth 1 from depth[1] on, and so on
//   .. chain                other states without output ("plain")
//   .. output               chains: states on the way to exactly one name with
//                           no name ending before it, one chain after another
//   .. line_break           states where a name ends ("has output")
//   line_break              the last row: an LF or a CR was read

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "match/simd_bytes.h"
#include "match/trie_automaton.h"

// Skipping by hash looks at up to this many bytes where a name may start.
constexpr size_t kMaxStartBytes = 4;
static_assert(kMaxStartBytes < kDeepState, "the start depths must stay apart");
static_assert(kMaxStartBytes < kTailMinDepth, "skipping looks at nodes only");
constexpr size_t kDenseEntryLimit = 2 * 1024 * 1024;

struct RowCodes {
    uint32_t shallow = 0;  // zero when nothing skips
    uint32_t chain = 0;
    uint32_t output = 0;
    uint32_t line_break = 0;
    std::array<uint32_t, kMaxStartBytes> depth{};  // first code of each shallow depth

    bool is_shallow(uint32_t code) const { return code < shallow; }
    bool is_chain(uint32_t code) const { return code >= chain && code < output; }
    bool has_output(uint32_t code) const { return code >= output; }
    bool is_line_break(uint32_t code) const { return code == line_break; }
    // Plain and not shallow: the walk goes on by the table alone.
    bool walks_on(uint32_t code) const { return code - shallow < chain - shallow; }
    size_t shallow_depth(uint32_t code) const {
        return (code >= depth[1]) + (code >= depth[2]) + (code >= depth[3]);
    }
};

struct ChainRest {
    uint32_t offset;    // of the rest in chain_bytes
    uint32_t length;    // bytes
    uint32_t end_code;  // the row the name ends in
};

struct DenseTable {
    std::array<uint8_t, 256> byte_class{};
    uint32_t class_count = 0;
    uint64_t row_reciprocal = 0;  // 2^32 / class_count, rounded up
    std::vector<uint32_t> entries;
    std::vector<uint32_t> state_of_row;
    RowCodes codes;
    // From each chain row on: the rest of its name in chain_bytes, so that the
    // walk compares it at once instead of stepping.
    std::vector<ChainRest> chain_rest;  // by row from codes.chain on
    std::vector<uint8_t> chain_bytes;   // and 16 spare bytes
};

// The classes of bytes: each byte an edge of the trie takes, and LF and CR, a
// class of its own from 1 on; every other byte class 0.
struct ByteClasses {
    std::array<uint8_t, 256> of{};
    uint32_t count = 0;
};

ByteClasses byte_classes(const TrieAutomaton& trie);

// Builds the table over `classes`; states shallower than `shallow_depth` get the
// first rows and never join a chain. The caller has checked that it fits.
void build_dense_table(const TrieAutomaton& trie, const std::vector<uint32_t>& order,
                       const std::vector<StateDepth>& depth_of, const ByteClasses& classes,
                       size_t shallow_depth, DenseTable& table);

// The code of every trie state's row.
std::vector<uint32_t> codes_of_states(const DenseTable& table);

// code / class_count without a division; exact, as codes are multiples of
// class_count below 2^32.
inline uint32_t row_of_code(const DenseTable& t, uint32_t code) {
    return static_cast<uint32_t>(code * t.row_reciprocal >> 32);
}

// The first position from p on whose byte differs from data[p].
inline size_t end_of_run(const uint8_t* data, size_t p, size_t n) {
    uint8_t byte = data[p];
#if defined(__SSE2__)
    __m128i same = _mm_set1_epi8(static_cast<char>(byte));
    for (; p + 16 <= n; p += 16) {
        __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + p));
        uint32_t equal = bits_of(_mm_cmpeq_epi8(block, same));
        if (equal != 0xffff)
            return p + static_cast<size_t>(std::countr_one(equal));
    }
#endif
    while (p < n && data[p] == byte)
        ++p;
    return p;
}

// Follows the table from p until a state with output (a name's end, or a line
// break), a state on a chain, a shallow state where skipping may take over (by
// `codes`, which may say there are none), or the end. A plain state other than the root that stays
// put on a byte stays put on a run of it, so such runs are passed whole: a long name of 'a's
// against a file of 'a's costs no more than a plain scan. Hot: a change needs a benchmark run.
inline size_t walk_table(const DenseTable& t, const RowCodes codes, const uint8_t* data, size_t p,
                         size_t n, uint32_t& code) {
    const uint32_t* entries = t.entries.data();
    const uint8_t* byte_class = t.byte_class.data();
    uint32_t state = code;
    do {
        uint32_t next = entries[state + byte_class[data[p]]];
        if (next == state && state != 0 && !codes.has_output(state)) {
            p = end_of_run(data, p, n);
        } else {
            state = next;
            ++p;
        }
    } while (p < n && codes.walks_on(state));
    code = state;
    return p;
}

// How many bytes from the start a and b have in common, up to limit; a is
// readable up to a_end, b 16 bytes past the limit.
inline size_t common_length(const uint8_t* a, const uint8_t* a_end, const uint8_t* b,
                            size_t limit) {
    size_t i = 0;
#if defined(__SSE2__)
    for (; i < limit && a_end - (a + i) >= 16; i += 16) {
        __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
        __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
        uint32_t equal = bits_of(_mm_cmpeq_epi8(x, y));
        if (equal != 0xffff)
            return std::min(i + static_cast<size_t>(std::countr_one(equal)), limit);
    }
    if (i >= limit)
        return limit;
#else
    (void)a_end;
#endif
    while (i < limit && a[i] == b[i])
        ++i;
    return i;
}

// From a state on a chain: the rest of its name compared at once. Where the text
// leaves the chain, one ordinary step (runs passed whole, as in the walk).
// Hot: a change needs a benchmark run.
inline size_t follow_chain(const DenseTable& t, const uint8_t* data, size_t p, size_t n,
                           uint32_t& code) {
    const ChainRest& rest = t.chain_rest[row_of_code(t, code - t.codes.chain)];
    size_t same = common_length(data + p, data + n, t.chain_bytes.data() + rest.offset,
                                std::min<size_t>(rest.length, n - p));
    p += same;
    if (same == rest.length) {
        code = rest.end_code;
        return p;
    }
    code += static_cast<uint32_t>(same) * t.class_count;
    if (p == n)
        return p;
    uint32_t next = t.entries[code + t.byte_class[data[p]]];
    if (next == code)
        return end_of_run(data, p, n);
    code = next;
    return p + 1;
}
