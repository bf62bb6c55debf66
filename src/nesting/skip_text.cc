#include "nesting/skip_text.h"

#include <bit>
#include <cstring>

#include "nesting/matcher_parts.h"

#if defined(TAMBERLOX_AVX2)
#include <immintrin.h>
#endif

#if defined(__SSE2__)
// Without a branch or a library call, which std::popcount may make.
static uint32_t count_bits(uint32_t bits) {
    bits = bits - ((bits >> 1) & 0x55555555u);
    bits = (bits & 0x33333333u) + ((bits >> 2) & 0x33333333u);
    bits = (bits + (bits >> 4)) & 0x0f0f0f0fu;
    return (bits * 0x01010101u) >> 24;
}

static uint64_t sum_of_bytes(__m128i counts) {
    __m128i sums = _mm_sad_epu8(counts, _mm_setzero_si128());
    return static_cast<uint64_t>(_mm_cvtsi128_si64(sums)) +
           static_cast<uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(sums, sums)));
}

// The bytes of a block where the root stops: a CR or one of the first
// kFirstBytes bytes a name can begin with (unused places repeat the first).
template <int kFirstBytes>
static __m128i root_stops(__m128i block, __m128i cr, const __m128i (&first)[kMaxSkipBytes]) {
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
static size_t skip_blocks_at_root(const TagMatcher& m, const uint8_t* data, size_t p, size_t n,
                                  uint64_t& line) {
    auto block_of = [&](size_t i) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(m.byte_blocks[i].data()));
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
#endif

size_t skip_at_root(const TagMatcher& m, const uint8_t* data, size_t p, size_t n, uint64_t& line) {
#if defined(__SSE2__)
    if (m.first_byte_count == 1) {
        p = skip_blocks_at_root<1>(m, data, p, n, line);
    } else if (m.first_byte_count == 2) {
        p = skip_blocks_at_root<2>(m, data, p, n, line);
    } else if (m.first_byte_count <= kMaxSkipBytes) {
        p = skip_blocks_at_root<kMaxSkipBytes>(m, data, p, n, line);
    }
#endif
    for (; p < n; ++p) {
        uint8_t role = m.byte_role[data[p]];
        if (role == kStop)
            break;
        line += role == kLineEnd;
    }
    return p;
}

#if defined(__SSE2__)
// One bit per position of a block: where a name may start by the hash of the
// bytes there, or a CR stands (stops), and where an LF stands.
struct BlockStops {
    uint32_t stops;
    uint32_t line_ends;
};

// 16 positions; 19 bytes must be readable.
static BlockStops hashed_stops_16(const TagMatcher& m, const uint8_t* at) {
    const uint64_t* hashes = m.start_hashes.data();
    __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    auto equal_bytes = [&](uint8_t byte) {
        return bits_of(_mm_cmpeq_epi8(block, _mm_set1_epi8(static_cast<char>(byte))));
    };
    uint32_t stops = equal_bytes(kCr);
    for (unsigned i = 0; i < 16; ++i) {
        uint32_t hash = start_hash(start_key(at + i, m.start_mask), m.start_factor);
        stops |= static_cast<uint32_t>(hashes[hash / 64] >> (hash % 64) & 1) << i;
    }
    return {stops, equal_bytes(kLf)};
}
#endif

#if defined(TAMBERLOX_AVX2)
#define TAMBERLOX_WIDE __attribute__((target("avx2")))

// Whether a name may start at each of the eight positions from `at`: the keys
// shuffled out of 16 bytes, their hashes' bits gathered from the bit set.
TAMBERLOX_WIDE static uint32_t starts_in_eight(const TagMatcher& m, const uint8_t* at) {
    const __m256i keys_of_bytes =
        _mm256_setr_epi8(0, 1, 2, 3, 1, 2, 3, 4, 2, 3, 4, 5, 3, 4, 5, 6,  //
                         4, 5, 6, 7, 5, 6, 7, 8, 6, 7, 8, 9, 7, 8, 9, 10);
    const __m256i low_five = _mm256_set1_epi32(31);
    __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    __m256i keys = _mm256_shuffle_epi8(_mm256_broadcastsi128_si256(bytes), keys_of_bytes);
    keys = _mm256_and_si256(keys, _mm256_set1_epi32(static_cast<int>(m.start_mask)));
    __m256i hashes = _mm256_mullo_epi32(keys, _mm256_set1_epi32(static_cast<int>(m.start_factor)));
    hashes = _mm256_srli_epi32(hashes, 32 - kStartHashBits);
    const int* hash_words = reinterpret_cast<const int*>(m.start_hashes.data());
    __m256i words = _mm256_i32gather_epi32(hash_words, _mm256_srli_epi32(hashes, 5), 4);
    // Each hash's bit to the top of its word, where the mask takes it from.
    __m256i shifts = _mm256_sub_epi32(low_five, _mm256_and_si256(hashes, low_five));
    __m256i bits = _mm256_sllv_epi32(words, shifts);
    return static_cast<uint32_t>(_mm256_movemask_ps(_mm256_castsi256_ps(bits)));
}

TAMBERLOX_WIDE static uint32_t equal_bytes(__m256i block, uint8_t byte) {
    __m256i same = _mm256_cmpeq_epi8(block, _mm256_set1_epi8(static_cast<char>(byte)));
    return static_cast<uint32_t>(_mm256_movemask_epi8(same));
}

// 32 positions; 40 bytes must be readable.
TAMBERLOX_WIDE static BlockStops hashed_stops_32(const TagMatcher& m, const uint8_t* at) {
    __m256i block = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
    uint32_t stops = equal_bytes(block, kCr) | starts_in_eight(m, at) |
                     starts_in_eight(m, at + 8) << 8 | starts_in_eight(m, at + 16) << 16 |
                     starts_in_eight(m, at + 24) << 24;
    return {stops, equal_bytes(block, kLf)};
}

static void prefetch_first_slot(const TagMatcher& m, const uint8_t* block, uint32_t stops) {
    if (stops == 0)
        return;
    uint32_t key = start_key(block + std::countr_zero(stops), m.start_mask);
    _mm_prefetch(reinterpret_cast<const char*>(
                     &m.start_slots[start_hash(key, m.start_factor) & m.start_slot_mask]),
                 _MM_HINT_T0);
}
#endif

#if defined(__SSE2__)
static uint32_t equal_in_16(const uint8_t* a, const uint8_t* b) {
    return bits_of(_mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a)),
                                  _mm_loadu_si128(reinterpret_cast<const __m128i*>(b))));
}

// Whether a slot's name, of `length` bytes, stands at text, which has 16
// readable bytes; a longer name is compared in two blocks that overlap.
static bool same_slot_name(const uint8_t* text, const uint8_t* name, size_t length) {
    static_assert(kInlineName >= 16 && kInlineName <= 32);
    if (length <= 16) {
        uint32_t wanted = (uint32_t{1} << length) - 1;
        return (equal_in_16(text, name) & wanted) == wanted;
    }
    return equal_in_16(text, name) == 0xffff &&
           equal_in_16(text + length - 16, name + length - 16) == 0xffff;
}

// Which name starts at p, told by the bytes there: kNoStart when none can, the
// name when only one short one can and it is there. kLeftToWalk otherwise.
static uint32_t name_starting(const TagMatcher& m, const uint8_t* data, size_t p, size_t n) {
    if (p + 4 > n || data[p] == kLf || data[p] == kCr)
        return kLeftToWalk;
    const StartSlot& slot = m.start_slots[start_slot(m, start_key(data + p, m.start_mask))];
    if (slot.id >= kLeftToWalk)
        return slot.id;
    if (slot.length > n - p)
        return kLeftToWalk;
    bool same = n - p >= 16 ? same_slot_name(data + p, slot.bytes, slot.length)
                            : std::memcmp(data + p, slot.bytes, slot.length) == 0;
    return same ? slot.id : kNoStart;
}

// Settles the stops of the block at p in order, counting the LFs before those
// that matter. False when one is left to the walk, or the batch is full: `stop`
// is where to go on from then.
static bool settle_block(const TagMatcher& m, const uint8_t* data, size_t p, size_t n,
                         BlockStops block, uint64_t& line, std::vector<FoundName>& found,
                         size_t& stop) {
    uint32_t line_ends = block.line_ends;
    for (uint32_t stops = block.stops; stops != 0; stops &= stops - 1) {
        uint32_t at = static_cast<uint32_t>(std::countr_zero(stops));
        stop = p + at;
        uint32_t id = name_starting(m, data, stop, n);
        if (id == kNoStart)
            continue;
        uint32_t before = (uint32_t{1} << at) - 1;
        line += count_bits(line_ends & before);
        line_ends &= ~before;
        if (id == kLeftToWalk)
            return false;
        found.push_back(FoundName{id, line});
        if (found.size() >= kFoundBatch) {
            ++stop;
            return false;
        }
    }
    line += count_bits(line_ends);
    return true;
}

size_t skip_hashed_starts(const TagMatcher& m, const uint8_t* data, size_t p, size_t n,
                          uint64_t& line, std::vector<FoundName>& found) {
    size_t stop = n;
#if defined(TAMBERLOX_AVX2)
    // Once a whole block has settled, the next one is looked at a block ahead,
    // so that its first stop's slot is on its way to the cache by then.
    if (m.wide_blocks && p + 40 <= n) {
        BlockStops block = hashed_stops_32(m, data + p);
        bool ahead = false;
        for (;; p += 32) {
            bool more = p + 32 + 40 <= n;
            BlockStops next{};
            if (more && ahead) {
                next = hashed_stops_32(m, data + p + 32);
                prefetch_first_slot(m, data + p + 32, next.stops);
            }
            if (!settle_block(m, data, p, n, block, line, found, stop))
                return stop;
            if (!more) {
                p += 32;
                break;
            }
            block = ahead ? next : hashed_stops_32(m, data + p + 32);
            ahead = true;
        }
    }
#endif
    for (; p + 19 <= n; p += 16) {
        if (!settle_block(m, data, p, n, hashed_stops_16(m, data + p), line, found, stop))
            return stop;
    }
    for (; p < n; ++p) {
        uint32_t id = name_starting(m, data, p, n);
        if (id == kLeftToWalk)
            return p;
        if (id != kNoStart) {
            found.push_back(FoundName{id, line});
            if (found.size() >= kFoundBatch)
                return p + 1;
        }
    }
    return n;
}
#endif
