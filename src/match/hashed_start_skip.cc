#include "match/hashed_start_skip.h"

#include <algorithm>
#include <array>
#include <bit>
#include <iterator>

#include "match/simd_bytes.h"

#if defined(TAMBERLOX_AVX2)
#include <immintrin.h>
#endif

namespace {

uint32_t start_key_of(std::string_view name, const HashedStartSkip& skip) {
    std::array<uint8_t, 4> start{};
    std::memcpy(start.data(), name.data(), skip.start_bytes);
    return start_key(start.data(), skip.start_mask);
}

// Fills the slots with the names' starts, hashed with `factor`; returns how
// many starts found no free slot near their own.
size_t fill_start_slots(const Patterns& names, HashedStartSkip& skip, uint32_t factor) {
    skip.factor = factor;
    std::fill(skip.slots.begin(), skip.slots.end(), StartSlot{});
    StartSlot& crowded = skip.slots.back();
    crowded.answer = StartAnswer::walk;
    size_t crowded_starts = 0;
    for (uint32_t id = 0; id < names.size(); ++id) {
        std::string_view name = names[id];
        uint32_t key = start_key_of(name, skip);
        StartSlot& slot = skip.slots[start_slot(skip, key)];
        if (&slot == &crowded) {
            ++crowded_starts;
        } else if (slot.answer == StartAnswer::no_name && name.size() <= kInlineName) {
            slot.answer = StartAnswer::one_name;
            slot.answer_value = id;
            slot.length = static_cast<uint8_t>(name.size());
            std::memcpy(slot.bytes, name.data(), name.size());
            slot.key = key;
        } else {
            slot.answer = StartAnswer::walk;
            slot.key = key;
        }
    }
    return crowded_starts;
}

}  // namespace

size_t build_hashed_start_skip(const Patterns& names, size_t start_bytes, size_t starts,
                               bool wide_blocks, uint32_t first_factor, HashedStartSkip& skip) {
    std::array<uint8_t, 4> mask_bytes{};
    std::fill_n(mask_bytes.begin(), start_bytes, 0xff);
    skip.start_mask = start_key(mask_bytes.data(), UINT32_MAX);
    skip.start_bytes = start_bytes;
#if defined(TAMBERLOX_AVX2)
    skip.wide_blocks = wide_blocks && __builtin_cpu_supports("avx2");
#else
    (void)wide_blocks;
#endif
    size_t slot_count = std::bit_ceil(2 * starts);
    skip.slots.resize(slot_count + 1);
    skip.slot_mask = static_cast<uint32_t>(slot_count - 1);
    skip.slot_shift = kStartHashBits - static_cast<unsigned>(std::countr_zero(slot_count));
    // The first factor that leaves no start crowded out, else the one that leaves
    // the fewest. Each try costs at most kStartProbes steps a name.
    std::array<uint32_t, std::size(kStartHashFactors) + 1> factors{first_factor};
    std::copy(std::begin(kStartHashFactors), std::end(kStartHashFactors), factors.begin() + 1);
    uint32_t best = kStartHashFactors[0];
    size_t fewest = SIZE_MAX;
    for (uint32_t factor : factors) {
        if (factor == 0)
            continue;
        size_t crowded = fill_start_slots(names, skip, factor);
        if (crowded < fewest) {
            fewest = crowded;
            best = factor;
        }
        if (crowded == 0)
            break;
    }
    size_t crowded = skip.factor == best ? fewest : fill_start_slots(names, skip, best);
    skip.start_hashes.assign((size_t{1} << kStartHashBits) / 64, 0);
    for (std::string_view name : names) {
        uint32_t hash = start_hash(start_key_of(name, skip), best);
        skip.start_hashes[hash / 64] |= uint64_t{1} << (hash % 64);
    }
    return crowded + static_cast<size_t>(std::count_if(
                         skip.slots.begin(), skip.slots.end() - 1,
                         [](const StartSlot& slot) { return slot.answer == StartAnswer::walk; }));
}

void set_walk_states(const TrieAutomaton& trie, const std::vector<uint32_t>& code_of,
                     HashedStartSkip& skip) {
    // All but the crowded slot at the end, whose walk begins at the start itself.
    for (size_t i = 0; i + 1 < skip.slots.size(); ++i) {
        StartSlot& slot = skip.slots[i];
        if (slot.answer != StartAnswer::walk)
            continue;
        std::array<uint8_t, 4> bytes;
        std::memcpy(bytes.data(), &slot.key, sizeof slot.key);
        uint32_t state = 0;
        for (size_t b = 0; b < skip.start_bytes; ++b)
            state = trie_child(trie, state, bytes[b]);
        slot.answer_value = code_of.empty() ? state : code_of[state];
    }
}

#if defined(__SSE2__)
namespace {

// One bit per position of a block: where a name may start by the hash of the
// bytes there, or a CR stands (stops), and where an LF stands.
struct BlockStops {
    uint32_t stops;
    uint32_t line_ends;
};

// 16 positions; 19 bytes must be readable.
BlockStops hashed_stops_16(const HashedStartSkip& skip, const uint8_t* at) {
    const uint64_t* hashes = skip.start_hashes.data();
    __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    auto equal_bytes = [&](uint8_t byte) {
        return bits_of(_mm_cmpeq_epi8(block, _mm_set1_epi8(static_cast<char>(byte))));
    };
    uint32_t stops = equal_bytes(kCr);
    for (unsigned i = 0; i < 16; ++i) {
        uint32_t hash = start_hash(start_key(at + i, skip.start_mask), skip.factor);
        stops |= static_cast<uint32_t>(hashes[hash / 64] >> (hash % 64) & 1) << i;
    }
    return {stops, equal_bytes(kLf)};
}

}  // namespace
#endif

#if defined(TAMBERLOX_AVX2)
#define TAMBERLOX_WIDE __attribute__((target("avx2")))

namespace {

// Whether a name may start at each of the eight positions from `at`: the keys
// shuffled out of 16 bytes, their hashes' bits gathered from the bit set.
TAMBERLOX_WIDE uint32_t starts_in_eight(const HashedStartSkip& skip, const uint8_t* at) {
    const __m256i keys_of_bytes =
        _mm256_setr_epi8(0, 1, 2, 3, 1, 2, 3, 4, 2, 3, 4, 5, 3, 4, 5, 6,  //
                         4, 5, 6, 7, 5, 6, 7, 8, 6, 7, 8, 9, 7, 8, 9, 10);
    const __m256i low_five = _mm256_set1_epi32(31);
    __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    __m256i keys = _mm256_shuffle_epi8(_mm256_broadcastsi128_si256(bytes), keys_of_bytes);
    keys = _mm256_and_si256(keys, _mm256_set1_epi32(static_cast<int>(skip.start_mask)));
    __m256i hashes = _mm256_mullo_epi32(keys, _mm256_set1_epi32(static_cast<int>(skip.factor)));
    hashes = _mm256_srli_epi32(hashes, 32 - kStartHashBits);
    const int* hash_words = reinterpret_cast<const int*>(skip.start_hashes.data());
    __m256i words = _mm256_i32gather_epi32(hash_words, _mm256_srli_epi32(hashes, 5), 4);
    // Each hash's bit to the top of its word, where the mask takes it from.
    __m256i shifts = _mm256_sub_epi32(low_five, _mm256_and_si256(hashes, low_five));
    __m256i bits = _mm256_sllv_epi32(words, shifts);
    return static_cast<uint32_t>(_mm256_movemask_ps(_mm256_castsi256_ps(bits)));
}

TAMBERLOX_WIDE uint32_t equal_bytes(__m256i block, uint8_t byte) {
    __m256i same = _mm256_cmpeq_epi8(block, _mm256_set1_epi8(static_cast<char>(byte)));
    return static_cast<uint32_t>(_mm256_movemask_epi8(same));
}

// 32 positions; 40 bytes must be readable.
TAMBERLOX_WIDE BlockStops hashed_stops_32(const HashedStartSkip& skip, const uint8_t* at) {
    __m256i block = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
    uint32_t stops = equal_bytes(block, kCr) | starts_in_eight(skip, at) |
                     starts_in_eight(skip, at + 8) << 8 | starts_in_eight(skip, at + 16) << 16 |
                     starts_in_eight(skip, at + 24) << 24;
    return {stops, equal_bytes(block, kLf)};
}

void prefetch_first_slot(const HashedStartSkip& skip, const uint8_t* block, uint32_t stops) {
    if (stops == 0)
        return;
    uint32_t key = start_key(block + std::countr_zero(stops), skip.start_mask);
    _mm_prefetch(reinterpret_cast<const char*>(&skip.slots[home_slot(skip, key)]), _MM_HINT_T0);
}

}  // namespace
#endif

#if defined(__SSE2__)
namespace {

uint32_t equal_in_16(const uint8_t* a, const uint8_t* b) {
    return bits_of(_mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a)),
                                  _mm_loadu_si128(reinterpret_cast<const __m128i*>(b))));
}

// Whether a slot's name, of `length` bytes, stands at text, which has 16
// readable bytes; a longer name is compared in two blocks that overlap.
bool same_slot_name(const uint8_t* text, const uint8_t* name, size_t length) {
    static_assert(kInlineName >= 16 && kInlineName <= 32);
    if (length <= 16) {
        uint32_t wanted = (uint32_t{1} << length) - 1;
        return (equal_in_16(text, name) & wanted) == wanted;
    }
    return equal_in_16(text, name) == 0xffff &&
           equal_in_16(text + length - 16, name + length - 16) == 0xffff;
}

// What the bytes at p tell: no name starts there; one name does (`id`), found
// there; or the walk must tell.
StartAnswer name_starting(const HashedStartSkip& skip, const uint8_t* data, size_t p, size_t n,
                          uint32_t& id, uint64_t& cost) {
    ++cost;
    if (p + 4 > n || data[p] == kLf || data[p] == kCr)
        return StartAnswer::walk;
    const StartSlot& slot =
        skip.slots[start_slot(skip, start_key(data + p, skip.start_mask), cost)];
    if (slot.answer != StartAnswer::one_name)
        return slot.answer;
    if (slot.length > n - p)
        return StartAnswer::walk;
    bool same = n - p >= 16 ? same_slot_name(data + p, slot.bytes, slot.length)
                            : std::memcmp(data + p, slot.bytes, slot.length) == 0;
    id = slot.answer_value;
    return same ? StartAnswer::one_name : StartAnswer::no_name;
}

// Settles the stops of the block at p in order, counting the LFs before those
// that matter. False when one is left to the walk, or the batch is full: `stop`
// is where to go on from then.
bool settle_block(const HashedStartSkip& skip, const uint8_t* data, size_t p, size_t n,
                  BlockStops block, uint64_t offset, uint64_t& line, std::vector<FoundName>& found,
                  size_t& stop, uint64_t& cost) {
    uint32_t line_ends = block.line_ends;
    for (uint32_t stops = block.stops; stops != 0; stops &= stops - 1) {
        uint32_t at = static_cast<uint32_t>(std::countr_zero(stops));
        stop = p + at;
        uint32_t id;
        StartAnswer answer = name_starting(skip, data, stop, n, id, cost);
        if (answer == StartAnswer::no_name)
            continue;
        uint32_t before = (uint32_t{1} << at) - 1;
        line += count_bits(line_ends & before);
        line_ends &= ~before;
        if (answer == StartAnswer::walk)
            return false;
        found.push_back(FoundName{id, line, offset + stop});
        if (found.size() >= kFoundBatch) {
            ++stop;
            return false;
        }
    }
    line += count_bits(line_ends);
    return true;
}

}  // namespace

#if defined(TAMBERLOX_AVX2)
namespace {

// 32 positions at a time while 40 bytes are readable; false when a stop is left
// to the walk or the batch is full, `stop` being where to go on from. The first
// block is settled alone: right after the walk it often holds the next stop.
// From then on each block's stops are found a block ahead, so that its first
// stop's slot is on its way to the cache by the time it is settled.
bool settle_wide_blocks(const HashedStartSkip& skip, const uint8_t* data, size_t& p, size_t n,
                        uint64_t offset, uint64_t& line, std::vector<FoundName>& found,
                        size_t& stop, uint64_t& cost) {
    auto settle = [&](BlockStops block) {
        return settle_block(skip, data, p, n, block, offset, line, found, stop, cost);
    };
    if (p + 40 > n)
        return true;
    if (!settle(hashed_stops_32(skip, data + p)))
        return false;
    p += 32;
    if (p + 40 > n)
        return true;
    BlockStops block = hashed_stops_32(skip, data + p);
    for (; p + 32 + 40 <= n; p += 32) {
        BlockStops next = hashed_stops_32(skip, data + p + 32);
        prefetch_first_slot(skip, data + p + 32, next.stops);
        if (!settle(block))
            return false;
        block = next;
    }
    if (!settle(block))
        return false;
    p += 32;
    return true;
}

}  // namespace
#endif

size_t skip_hashed_starts(const HashedStartSkip& skip, const uint8_t* data, size_t p, size_t n,
                          uint64_t offset, uint64_t& line, std::vector<FoundName>& found,
                          uint64_t& cost) {
    size_t stop = n;
#if defined(TAMBERLOX_AVX2)
    if (skip.wide_blocks && !settle_wide_blocks(skip, data, p, n, offset, line, found, stop, cost))
        return stop;
#endif
    for (; p + 19 <= n; p += 16) {
        if (!settle_block(skip, data, p, n, hashed_stops_16(skip, data + p), offset, line, found,
                          stop, cost))
            return stop;
    }
    for (; p < n; ++p) {
        uint32_t id;
        StartAnswer answer = name_starting(skip, data, p, n, id, cost);
        if (answer == StartAnswer::walk)
            return p;
        if (answer == StartAnswer::one_name) {
            found.push_back(FoundName{id, line, offset + p});
            if (found.size() >= kFoundBatch)
                return p + 1;
        }
    }
    return n;
}
#endif
