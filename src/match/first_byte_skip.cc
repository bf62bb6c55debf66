#include "match/first_byte_skip.h"

#include <bit>

#include "match/simd_bytes.h"

bool build_first_byte_skip(const TrieAutomaton& trie, FirstByteSkip& skip) {
    skip.byte_role[kLf] = kLineEnd;
    skip.byte_role[kCr] = kStop;
    for (uint32_t e = trie.child_begin[0]; e < trie.child_begin[1]; ++e) {
        uint8_t byte = trie.child_byte[e];
        skip.byte_role[byte] = kStop;
        // Each byte also fills the places after its own, so that unused places
        // repeat a byte names begin with and comparing with all of them is right.
        for (size_t place = skip.first_byte_count++; place < kMaxSkipBytes; ++place) {
            skip.byte_blocks[place].fill(byte);
        }
    }
    skip.byte_blocks[kMaxSkipBytes].fill(kLf);
    skip.byte_blocks[kMaxSkipBytes + 1].fill(kCr);
#if defined(__SSE2__)
    return skip.first_byte_count <= kMaxSkipBytes;
#else
    return false;
#endif
}

#if defined(__SSE2__)
namespace {

uint64_t sum_of_bytes(__m128i counts) {
    __m128i sums = _mm_sad_epu8(counts, _mm_setzero_si128());
    return static_cast<uint64_t>(_mm_cvtsi128_si64(sums)) +
           static_cast<uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(sums, sums)));
}

// The bytes of a block where the root stops: a CR or one of the first
// kFirstBytes bytes a name can begin with (unused places repeat the last).
template <int kFirstBytes>
__m128i root_stops(__m128i block, __m128i cr, const __m128i (&first)[kMaxSkipBytes]) {
    __m128i stops = _mm_or_si128(_mm_cmpeq_epi8(block, cr), _mm_cmpeq_epi8(block, first[0]));
    for (int i = 1; i < kFirstBytes; ++i)
        stops = _mm_or_si128(stops, _mm_cmpeq_epi8(block, first[i]));
    return stops;
}

// Skips 32 bytes at a time while the root has nothing to do, and finds the
// first stop within the block that has one; fewer than 32 bytes at the end are
// left to the caller. LFs are counted in byte-wide counters, added
// up before they can overflow.
template <int kFirstBytes>
size_t skip_blocks_at_root(const FirstByteSkip& skip, const uint8_t* data, size_t p, size_t n,
                           uint64_t& line) {
    auto block_of = [&](size_t i) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(skip.byte_blocks[i].data()));
    };
    const __m128i first[kMaxSkipBytes] = {block_of(0), block_of(1), block_of(2), block_of(3)};
    const __m128i lf = block_of(kMaxSkipBytes), cr = block_of(kMaxSkipBytes + 1);
    __m128i lf_counts = _mm_setzero_si128();
    unsigned rounds = 0;
    for (; p + 32 <= n; p += 32) {
        __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + p));
        __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + p + 16));
        __m128i low_stops = root_stops<kFirstBytes>(low, cr, first);
        __m128i high_stops = root_stops<kFirstBytes>(high, cr, first);
        if (_mm_movemask_epi8(_mm_or_si128(low_stops, high_stops)) != 0) {
            uint32_t stops = bits_of(low_stops) | bits_of(high_stops) << 16;
            uint32_t first_stop = static_cast<uint32_t>(std::countr_zero(stops));
            uint32_t line_ends =
                bits_of(_mm_cmpeq_epi8(low, lf)) | bits_of(_mm_cmpeq_epi8(high, lf)) << 16;
            line_ends &= (uint32_t{1} << first_stop) - 1;
            // Whether LFs precede the stop is a coin toss: no branches here.
            line += count_bits(line_ends) + sum_of_bytes(lf_counts);
            return p + first_stop;
        }
        lf_counts = _mm_sub_epi8(lf_counts, _mm_cmpeq_epi8(low, lf));
        lf_counts = _mm_sub_epi8(lf_counts, _mm_cmpeq_epi8(high, lf));
        if (++rounds == 127) {
            line += sum_of_bytes(lf_counts);
            lf_counts = _mm_setzero_si128();
            rounds = 0;
        }
    }
    if (rounds != 0)
        line += sum_of_bytes(lf_counts);
    return p;
}

}  // namespace
#endif

size_t skip_at_root(const FirstByteSkip& skip, const uint8_t* data, size_t p, size_t n,
                    uint64_t& line) {
#if defined(__SSE2__)
    if (skip.first_byte_count == 1) {
        p = skip_blocks_at_root<1>(skip, data, p, n, line);
    } else if (skip.first_byte_count == 2) {
        p = skip_blocks_at_root<2>(skip, data, p, n, line);
    } else if (skip.first_byte_count <= kMaxSkipBytes) {
        p = skip_blocks_at_root<kMaxSkipBytes>(skip, data, p, n, line);
    }
#endif
    for (; p < n; ++p) {
        uint8_t role = skip.byte_role[data[p]];
        if (role == kStop)
            break;
        line += role == kLineEnd;
    }
    return p;
}
