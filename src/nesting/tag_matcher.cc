#include "nesting/tag_matcher.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>
#include <numeric>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define TAMBERLOX_AVX2 1
#endif

struct TrieEdge {
    uint32_t parent;
    uint8_t byte;
    uint32_t child;
};

static std::string_view name_of(const TagTable& table, uint32_t id) {
    return (id & 1) ? std::string_view(table.cls_tag[id >> 1])
                    : std::string_view(table.opn_tag[id >> 1]);
}

static size_t common_prefix_length(std::string_view a, std::string_view b) {
    size_t limit = std::min(a.size(), b.size());
    size_t i = 0;
    while (i < limit && a[i] == b[i])
        ++i;
    return i;
}

// Children are laid out per parent in increasing byte order: inserting the names
// in sorted order creates each parent's children in that order.
static void lay_out_children(const std::vector<TrieEdge>& edges, size_t state_count,
                             TagMatcher& m) {
    m.child_begin.assign(state_count + 1, 0);
    for (const TrieEdge& edge : edges)
        ++m.child_begin[edge.parent + 1];
    std::partial_sum(m.child_begin.begin(), m.child_begin.end(), m.child_begin.begin());
    m.child_byte.resize(edges.size());
    m.child_state.resize(edges.size());
    std::vector<uint32_t> next(m.child_begin.begin(), m.child_begin.end() - 1);
    for (const TrieEdge& edge : edges) {
        uint32_t slot = next[edge.parent]++;
        m.child_byte[slot] = edge.byte;
        m.child_state[slot] = edge.child;
    }
}

static void build_trie(const TagTable& table, TagMatcher& m) {
    std::vector<uint32_t> ids(2 * table.n);
    std::iota(ids.begin(), ids.end(), 0);
    std::sort(ids.begin(), ids.end(),
              [&](uint32_t a, uint32_t b) { return name_of(table, a) < name_of(table, b); });
    m.name_length.resize(ids.size());
    m.own_name.assign(1, kNoName);
    std::vector<TrieEdge> edges;
    std::vector<uint32_t> path{0};
    std::string_view previous;
    for (uint32_t id : ids) {
        std::string_view name = name_of(table, id);
        path.resize(common_prefix_length(previous, name) + 1);
        for (size_t depth = path.size() - 1; depth < name.size(); ++depth) {
            if (m.own_name.size() >= kNoState)
                throw std::bad_alloc();
            uint32_t state = static_cast<uint32_t>(m.own_name.size());
            m.own_name.push_back(kNoName);
            edges.push_back({path[depth], static_cast<uint8_t>(name[depth]), state});
            path.push_back(state);
        }
        m.own_name[path.back()] = id;
        m.name_length[id] = static_cast<uint32_t>(name.size());
        m.longest_name = std::max(m.longest_name, name.size());
        previous = name;
    }
    lay_out_children(edges, m.own_name.size(), m);
}

static uint32_t child_of(const TagMatcher& m, uint32_t state, uint8_t byte) {
    auto first = m.child_byte.begin() + m.child_begin[state];
    auto last = m.child_byte.begin() + m.child_begin[state + 1];
    auto found = std::lower_bound(first, last, byte);
    if (found == last || *found != byte)
        return kNoState;
    return m.child_state[static_cast<size_t>(found - m.child_byte.begin())];
}

static uint32_t step(const TagMatcher& m, uint32_t state, uint8_t byte) {
    for (;;) {
        uint32_t next = child_of(m, state, byte);
        if (next != kNoState)
            return next;
        if (state == 0)
            return 0;
        state = m.fail[state];
    }
}

// Failure and dictionary links, in breadth-first order; returns that order.
static std::vector<uint32_t> link_states(TagMatcher& m) {
    size_t state_count = m.own_name.size();
    m.fail.assign(state_count, 0);
    m.dict_link.assign(state_count, kNoState);
    std::vector<uint32_t> order{0};
    order.reserve(state_count);
    for (size_t head = 0; head < order.size(); ++head) {
        uint32_t state = order[head];
        for (uint32_t e = m.child_begin[state]; e < m.child_begin[state + 1]; ++e) {
            uint32_t child = m.child_state[e];
            uint32_t fail = state == 0 ? 0 : step(m, m.fail[state], m.child_byte[e]);
            m.fail[child] = fail;
            m.dict_link[child] = m.own_name[fail] != kNoName ? fail : m.dict_link[fail];
            order.push_back(child);
        }
    }
    m.has_output.resize(state_count);
    for (size_t s = 0; s < state_count; ++s) {
        m.has_output[s] = m.own_name[s] != kNoName || m.dict_link[s] != kNoState;
        // Names are leaves; an inner state with output lies inside a longer name.
        bool inner = m.child_begin[s + 1] > m.child_begin[s];
        if (inner && m.has_output[s])
            m.needs_reorder = true;
    }
    return order;
}

constexpr uint8_t kLf = '\n';
constexpr uint8_t kCr = '\r';

// Byte roles for the root's skip loop; every other byte is passed over.
constexpr uint8_t kLineEnd = 1;
constexpr uint8_t kStop = 2;

// States on the way to exactly one name with no other name ending on the way:
// from them the walk compares the rest of that name at once. Neither the root
// nor states shallower than `shallow_depth`, where skipping takes over.
static std::vector<uint8_t> find_chain_states(const TagMatcher& m,
                                              const std::vector<uint32_t>& order,
                                              const std::vector<uint32_t>& depth_of,
                                              size_t shallow_depth) {
    std::vector<uint8_t> on_chain(m.own_name.size(), 0);
    for (auto state = order.rbegin(); state != order.rend(); ++state) {
        uint32_t s = *state;
        if (s == 0 || m.has_output[s] || depth_of[s] < shallow_depth ||
            m.child_begin[s + 1] - m.child_begin[s] != 1)
            continue;
        uint32_t child = m.child_state[m.child_begin[s]];
        on_chain[s] = m.child_begin[child + 1] == m.child_begin[child] || on_chain[child];
    }
    return on_chain;
}

// Rows in breadth-first order: states without output first (the root stays row
// 0), then each chain's states one after another, then states with output.
// Returns the row of each state.
static std::vector<uint32_t> order_rows(TagMatcher& m, const std::vector<uint32_t>& order,
                                        const std::vector<uint8_t>& on_chain) {
    std::vector<uint32_t> row_of(order.size(), kNoState);
    auto add_row = [&](uint32_t state) {
        row_of[state] = static_cast<uint32_t>(m.state_of_row.size());
        m.state_of_row.push_back(state);
    };
    for (uint32_t state : order) {
        if (!m.has_output[state] && !on_chain[state])
            add_row(state);
    }
    m.chain_code = static_cast<uint32_t>(m.state_of_row.size());
    std::vector<uint32_t> chain_ends;
    for (uint32_t state : order) {
        if (!on_chain[state] || row_of[state] != kNoState)
            continue;
        // The first state of a chain met breadth-first is where it begins.
        uint32_t offset = static_cast<uint32_t>(m.chain_bytes.size());
        uint32_t s = state;
        for (; on_chain[s]; s = m.child_state[m.child_begin[s]]) {
            add_row(s);
            m.chain_bytes.push_back(m.child_byte[m.child_begin[s]]);
        }
        uint32_t length = static_cast<uint32_t>(m.chain_bytes.size()) - offset;
        for (uint32_t i = 0; i < length; ++i) {
            m.chain_rest.push_back({offset + i, length - i, s});
        }
    }
    m.output_code = static_cast<uint32_t>(m.state_of_row.size());
    for (uint32_t state : order) {
        if (m.has_output[state])
            add_row(state);
    }
    m.chain_bytes.resize(m.chain_bytes.size() + 16);
    return row_of;
}

static void build_table(TagMatcher& m, const std::vector<uint32_t>& order,
                        const std::vector<uint32_t>& depth_of, size_t shallow_depth,
                        size_t dense_entry_limit) {
    std::array<bool, 256> used{};
    for (uint8_t byte : m.child_byte)
        used[byte] = true;
    used[kLf] = used[kCr] = true;
    m.class_count = 1;
    for (size_t byte = 0; byte < 256; ++byte) {
        m.byte_class[byte] = used[byte] ? static_cast<uint8_t>(m.class_count++) : 0;
    }
    size_t row_count = m.own_name.size() + 1;
    if (row_count > dense_entry_limit / m.class_count)
        return;
    uint32_t width = m.class_count;
    m.row_reciprocal = ((uint64_t{1} << 32) + width - 1) / width;
    std::vector<uint32_t> row_of =
        order_rows(m, order, find_chain_states(m, order, depth_of, shallow_depth));
    for (ChainRest& rest : m.chain_rest)
        rest.end_code = row_of[rest.end_code] * width;
    m.chain_code *= width;
    m.output_code *= width;
    m.line_break_code = static_cast<uint32_t>(row_count - 1) * width;
    m.table.assign(row_count * width, 0);
    for (uint32_t state : order) {
        uint32_t* row = m.table.data() + size_t{row_of[state]} * width;
        if (state != 0) {
            std::memcpy(row, m.table.data() + size_t{row_of[m.fail[state]]} * width, width * 4);
        }
        for (uint32_t e = m.child_begin[state]; e < m.child_begin[state + 1]; ++e) {
            row[m.byte_class[m.child_byte[e]]] = row_of[m.child_state[e]] * width;
        }
        row[m.byte_class[kLf]] = row[m.byte_class[kCr]] = m.line_break_code;
    }
    m.dense = true;
}

static void find_first_bytes(TagMatcher& m) {
    m.byte_role[kLf] = kLineEnd;
    m.byte_role[kCr] = kStop;
    for (uint32_t e = m.child_begin[0]; e < m.child_begin[1]; ++e) {
        uint8_t byte = m.child_byte[e];
        m.byte_role[byte] = kStop;
        // Each byte also fills the places after its own, so that unused places
        // repeat a byte names begin with and comparing with all of them is right.
        for (size_t place = m.first_byte_count++; place < kMaxSkipBytes; ++place) {
            m.byte_blocks[place].fill(byte);
        }
    }
    m.byte_blocks[kMaxSkipBytes].fill(kLf);
    m.byte_blocks[kMaxSkipBytes + 1].fill(kCr);
#if defined(__SSE2__)
    m.root_skips = m.first_byte_count <= kMaxSkipBytes;
#endif
}

// The first bytes of `bytes` (at least four readable) as start_mask keeps them.
static uint32_t start_key(const uint8_t* bytes, uint32_t start_mask) {
    uint32_t key;
    std::memcpy(&key, bytes, sizeof key);
    return key & start_mask;
}

constexpr unsigned kStartHashBits = 19;
// Skipping by hash pays while at most about one position in sixteen passes.
constexpr size_t kMaxHashedStarts = (size_t{1} << kStartHashBits) / 16;

constexpr uint32_t kStartHashFactor = 0x9e3779b1u;

static uint32_t start_hash(uint32_t key) {
    return (key * kStartHashFactor) >> (32 - kStartHashBits);
}

static size_t shortest_name(const TagMatcher& m) {
    return *std::min_element(m.name_length.begin(), m.name_length.end());
}

static std::vector<uint32_t> state_depths(const TagMatcher& m, const std::vector<uint32_t>& order) {
    std::vector<uint32_t> depth_of(m.own_name.size(), 0);
    for (uint32_t state : order) {
        for (uint32_t e = m.child_begin[state]; e < m.child_begin[state + 1]; ++e)
            depth_of[m.child_state[e]] = depth_of[state] + 1;
    }
    return depth_of;
}

// The states shallower than `depth` come first in breadth-first order, and so do
// their rows, since none of them has output: no name is shorter than `depth`.
static void set_shallow_codes(TagMatcher& m, const std::vector<uint32_t>& order,
                              const std::vector<uint32_t>& depth_of, size_t depth) {
    uint32_t rows = 0;
    for (uint32_t state : order) {
        if (depth_of[state] >= depth)
            break;
        ++rows;
        if (depth_of[state] + 1 < kMaxStartBytes)
            m.depth_code[depth_of[state] + 1] = rows * m.class_count;
    }
    m.shallow_code = rows * m.class_count;
    for (size_t d = depth; d < kMaxStartBytes; ++d)
        m.depth_code[d] = m.shallow_code;
}

constexpr size_t kHashedEntryLimit = 64 * 1024;

static size_t start_slot(const TagMatcher& m, uint32_t key) {
    size_t slot = start_hash(key) & m.start_slot_mask;
    while (m.start_slots[slot].key != key && m.start_slots[slot].id != kNoStart)
        slot = (slot + 1) & m.start_slot_mask;
    return slot;
}

static uint32_t start_key_of(std::string_view name, const TagMatcher& m) {
    std::array<uint8_t, 4> start{};
    std::memcpy(start.data(), name.data(), m.start_bytes);
    return start_key(start.data(), m.start_mask);
}

// Returns how many starts are left to the walk: those of more than one name or
// of a long one.
static size_t hash_name_starts(const TagTable& table, TagMatcher& m, size_t start_bytes,
                               size_t starts) {
    std::array<uint8_t, 4> mask_bytes{};
    std::fill_n(mask_bytes.begin(), start_bytes, 0xff);
    m.start_mask = start_key(mask_bytes.data(), UINT32_MAX);
    m.start_bytes = start_bytes;
#if defined(TAMBERLOX_AVX2)
    m.wide_blocks = __builtin_cpu_supports("avx2");
#endif
    m.start_hashes.assign((size_t{1} << kStartHashBits) / 64, 0);
    size_t slots = std::bit_ceil(2 * starts);
    m.start_slots.resize(slots + 2);
    m.start_slot_mask = static_cast<uint32_t>(slots - 1);
    for (uint32_t id = 0; id < m.name_length.size(); ++id) {
        std::string_view name = name_of(table, id);
        uint32_t key = start_key_of(name, m);
        uint32_t hash = start_hash(key);
        m.start_hashes[hash / 64] |= uint64_t{1} << (hash % 64);
        StartSlot& slot = m.start_slots[start_slot(m, key)];
        if (slot.id == kNoStart && name.size() <= kInlineName) {
            slot.id = id;
            slot.length = static_cast<uint8_t>(name.size());
            std::memcpy(slot.bytes, name.data(), name.size());
        } else {
            slot.id = kLeftToWalk;
        }
        slot.key = key;
    }
    return static_cast<size_t>(
        std::count_if(m.start_slots.begin(), m.start_slots.end(),
                      [](const StartSlot& slot) { return slot.id == kLeftToWalk; }));
}

// Builds what the scan walks with and how it skips while no name is under way.
static void build_walk(const TagTable& table, const std::vector<uint32_t>& order,
                       size_t dense_entry_limit, TagMatcher& m) {
    std::vector<uint32_t> depth_of = state_depths(m, order);
    size_t start_bytes = std::min(shortest_name(m), kMaxStartBytes);
    size_t starts = static_cast<size_t>(std::count(depth_of.begin(), depth_of.end(), start_bytes));
    bool hashed = false;
    size_t walked_starts = starts;
#if defined(__SSE2__)
    hashed = !m.root_skips && start_bytes >= 2 && starts <= kMaxHashedStarts;
    if (hashed)
        walked_starts = hash_name_starts(table, m, start_bytes, starts);
#else
    (void)table;
#endif
    // When starts settle almost every position, a large table would cost more
    // to map than the few walks it speeds up.
    if (hashed && walked_starts * 16 < starts)
        dense_entry_limit = std::min(dense_entry_limit, kHashedEntryLimit);
    size_t shallow_depth = hashed ? start_bytes : m.root_skips ? 1 : 0;
    if (walked_starts > 0)
        build_table(m, order, depth_of, shallow_depth, dense_entry_limit);
    if (m.dense && shallow_depth > 0)
        set_shallow_codes(m, order, depth_of, shallow_depth);
    if (!m.dense && hashed)
        m.depth = std::move(depth_of);
}

TagMatcher build_tag_matcher(const TagTable& table, size_t dense_entry_limit) {
    TagMatcher m;
    build_trie(table, m);
    std::vector<uint32_t> order = link_states(m);
    find_first_bytes(m);
    build_walk(table, order, dense_entry_limit, m);
    return m;
}

void start_text_scan(const TagMatcher& matcher, TextScan& scan) {
    scan = TextScan{};
    if (matcher.needs_reorder) {
        size_t window = std::bit_ceil(matcher.longest_name);
        scan.slot.assign(window, FoundName{kNoState, 0});
        scan.window_mask = window - 1;
    }
}

#if defined(__SSE2__)
static uint64_t sum_of_bytes(__m128i counts) {
    __m128i sums = _mm_sad_epu8(counts, _mm_setzero_si128());
    return static_cast<uint64_t>(_mm_cvtsi128_si64(sums)) +
           static_cast<uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(sums, sums)));
}

// Without a branch or a library call, which std::popcount may make.
static uint32_t count_bits(uint32_t bits) {
    bits = bits - ((bits >> 1) & 0x55555555u);
    bits = (bits & 0x33333333u) + ((bits >> 2) & 0x33333333u);
    bits = (bits + (bits >> 4)) & 0x0f0f0f0fu;
    return (bits * 0x01010101u) >> 24;
}

static uint32_t bits_of(__m128i bytes) {
    return static_cast<uint32_t>(_mm_movemask_epi8(bytes));
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

// Moves p to the next byte where the root has work: a byte a name can begin
// with, or a CR. Counts the LFs passed over.
static size_t skip_at_root(const TagMatcher& m, const uint8_t* data, size_t p, size_t n,
                           uint64_t& line) {
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
        uint32_t hash = start_hash(start_key(at + i, m.start_mask));
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
    __m256i hashes =
        _mm256_mullo_epi32(keys, _mm256_set1_epi32(static_cast<int>(kStartHashFactor)));
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
#endif

// The rest of a line whose text a CR has ended: up to and past its LF.
static size_t skip_cut_line(const uint8_t* data, size_t p, size_t n, TextScan& scan) {
    const void* lf = std::memchr(data + p, kLf, n - p);
    if (lf == nullptr)
        return n;
    scan.cut = false;
    ++scan.line;
    return static_cast<size_t>(static_cast<const uint8_t*>(lf) - data) + 1;
}

static void take_line_break(uint8_t byte, TextScan& scan) {
    if (byte == kLf) {
        ++scan.line;
    } else {
        scan.cut = true;
    }
}

// Hands out the waiting matches whose start is below `limit`: no match still to
// come can start there.
static void settle_waiting(TextScan& scan, uint64_t limit, std::vector<FoundName>& found) {
    while (scan.waiting > 0 && scan.lowest < limit) {
        FoundName& slot = scan.slot[scan.lowest & scan.window_mask];
        if (slot.id != kNoState) {
            found.push_back(slot);
            slot.id = kNoState;
            --scan.waiting;
        }
        ++scan.lowest;
    }
}

static void wait_in_window(TextScan& scan, uint64_t start, uint32_t id) {
    if (scan.waiting == 0 || start < scan.lowest)
        scan.lowest = start;
    scan.slot[start & scan.window_mask] = FoundName{id, scan.line};
    ++scan.waiting;
}

// All names ending at `end` end in `state`: its own name, the longest, then
// shorter ones through the dictionary links, so by increasing start.
static void take_names_ending(const TagMatcher& m, uint32_t state, uint64_t end, TextScan& scan,
                              std::vector<FoundName>& found) {
    if (!m.needs_reorder && m.dict_link[state] == kNoState) {
        found.push_back(FoundName{m.own_name[state], scan.line});
        return;
    }
    if (m.needs_reorder && end + 1 > m.longest_name) {
        settle_waiting(scan, end + 1 - m.longest_name, found);
    }
    uint32_t s = m.own_name[state] != kNoName ? state : m.dict_link[state];
    for (; s != kNoState; s = m.dict_link[s]) {
        uint32_t id = m.own_name[s];
        if (m.needs_reorder) {
            wait_in_window(scan, end + 1 - m.name_length[id], id);
        } else {
            found.push_back(FoundName{id, scan.line});
        }
    }
}

// The first position from p on whose byte differs from data[p].
static size_t end_of_run(const uint8_t* data, size_t p, size_t n) {
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
// break), a state on a chain, a shallow state where skipping may take over, or
// the end. A state without output, other than the root, that stays put on a
// byte stays put on a run of it, so such runs are passed whole: a long name of
// 'a's against a file of 'a's costs no more than a plain scan.
static size_t walk_table(const TagMatcher& m, const uint8_t* data, size_t p, size_t n,
                         uint32_t& code) {
    const uint32_t* table = m.table.data();
    const uint8_t* byte_class = m.byte_class.data();
    const uint32_t output_code = m.output_code;
    const uint32_t shallow_code = m.shallow_code;
    const uint32_t chain_code = m.chain_code;
    uint32_t state = code;
    do {
        uint32_t next = table[state + byte_class[data[p]]];
        if (next == state && state != 0 && state < output_code) {
            p = end_of_run(data, p, n);
        } else {
            state = next;
            ++p;
        }
    } while (p < n && state - shallow_code < chain_code - shallow_code);
    code = state;
    return p;
}

// How many bytes from the start a and b have in common, up to limit; a is
// readable up to a_end, b 16 bytes past the limit.
static size_t common_length(const uint8_t* a, const uint8_t* a_end, const uint8_t* b,
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
#endif
    while (i < limit && a[i] == b[i])
        ++i;
    return i;
}

// code / class_count without a division; exact, as codes are multiples of
// class_count below 2^32.
static uint32_t row_of_code(const TagMatcher& m, uint32_t code) {
    return static_cast<uint32_t>(code * m.row_reciprocal >> 32);
}

// From a state on a chain: the rest of its name compared at once. Where the text
// leaves the chain, one ordinary step (runs passed whole, as in the walk).
static size_t follow_chain(const TagMatcher& m, const uint8_t* data, size_t p, size_t n,
                           uint32_t& code) {
    const ChainRest& rest = m.chain_rest[row_of_code(m, code - m.chain_code)];
    size_t same = common_length(data + p, data + n, m.chain_bytes.data() + rest.offset,
                                std::min<size_t>(rest.length, n - p));
    p += same;
    if (same == rest.length) {
        code = rest.end_code;
        return p;
    }
    code += static_cast<uint32_t>(same) * m.class_count;
    if (p == n)
        return p;
    uint32_t next = m.table[code + m.byte_class[data[p]]];
    if (next == code)
        return end_of_run(data, p, n);
    code = next;
    return p + 1;
}

static size_t depth_of_shallow(const TagMatcher& m, uint32_t code) {
    return (code >= m.depth_code[1]) + (code >= m.depth_code[2]) + (code >= m.depth_code[3]);
}

#if defined(__SSE2__)
// Whether `length` bytes, at most 32, are the same at text and name; 32 bytes
// are readable at both.
static bool same_short_bytes(const uint8_t* text, const uint8_t* name, size_t length) {
    auto equal_at = [&](size_t i) {
        return bits_of(_mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i)),
                                      _mm_loadu_si128(reinterpret_cast<const __m128i*>(name + i))));
    };
    uint32_t equal = equal_at(0) | equal_at(16) << 16;
    uint32_t wanted = length == 32 ? UINT32_MAX : (uint32_t{1} << length) - 1;
    return (equal & wanted) == wanted;
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
    // The slots after it keep the 32-byte compare within the table.
    bool same = n - p >= 32 ? same_short_bytes(data + p, slot.bytes, slot.length)
                            : std::memcmp(data + p, slot.bytes, slot.length) == 0;
    return same ? slot.id : kNoStart;
}

static void take_name_starting(uint32_t id, uint64_t start, TextScan& scan,
                               std::vector<FoundName>& found) {
    // Whatever the walk found before starts before this.
    if (scan.waiting > 0)
        settle_waiting(scan, start, found);
    found.push_back(FoundName{id, scan.line});
}

static void prefetch_first_slot(const TagMatcher& m, const uint8_t* block, uint32_t stops) {
    if (stops == 0)
        return;
    uint32_t key = start_key(block + std::countr_zero(stops), m.start_mask);
    _mm_prefetch(reinterpret_cast<const char*>(&m.start_slots[start_hash(key) & m.start_slot_mask]),
                 _MM_HINT_T0);
}

// Settles the stops of the block at p in order, counting the LFs before those
// that matter. False when one is left to the walk, or the batch is full: `stop`
// is where to go on from then.
static bool settle_block(const TagMatcher& m, const uint8_t* data, size_t p, size_t n,
                         BlockStops block, TextScan& scan, std::vector<FoundName>& found,
                         size_t& stop) {
    uint32_t line_ends = block.line_ends;
    for (uint32_t stops = block.stops; stops != 0; stops &= stops - 1) {
        uint32_t at = static_cast<uint32_t>(std::countr_zero(stops));
        stop = p + at;
        uint32_t id = name_starting(m, data, stop, n);
        if (id == kNoStart)
            continue;
        uint32_t before = (uint32_t{1} << at) - 1;
        scan.line += count_bits(line_ends & before);
        line_ends &= ~before;
        if (id == kLeftToWalk)
            return false;
        take_name_starting(id, scan.offset + stop, scan, found);
        if (found.size() >= kFoundBatch) {
            ++stop;
            return false;
        }
    }
    scan.line += count_bits(line_ends);
    return true;
}

// Moves p to where the walk must go on from, taking the names settled by their
// first bytes on the way; stops early, before p, once the batch is full.
static size_t skip_hashed_starts(const TagMatcher& m, const uint8_t* data, size_t p, size_t n,
                                 TextScan& scan, std::vector<FoundName>& found) {
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
            if (!settle_block(m, data, p, n, block, scan, found, stop))
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
        if (!settle_block(m, data, p, n, hashed_stops_16(m, data + p), scan, found, stop))
            return stop;
    }
    for (; p < n; ++p) {
        uint32_t id = name_starting(m, data, p, n);
        if (id == kLeftToWalk)
            return p;
        if (id != kNoStart) {
            take_name_starting(id, scan.offset + p, scan, found);
            if (found.size() >= kFoundBatch)
                return p + 1;
        }
    }
    return n;
}
#endif

// From a state shallower than skipping looks, skipping starts again where the
// bytes that led to it start, unless that is still where the last skip stopped,
// or lies in an earlier chunk: then the walk goes on.
static size_t skip_to_start(const TagMatcher& m, const uint8_t* data, size_t p, size_t n,
                            size_t depth, TextScan& scan, uint32_t& state,
                            std::vector<FoundName>& found) {
    if (p < depth || scan.offset + p - depth < scan.skip_from)
        return p;
    state = 0;
#if defined(__SSE2__)
    if (m.start_bytes != 0) {
        p = skip_hashed_starts(m, data, p - depth, n, scan, found);
        // A full batch leaves p itself still to be looked at.
        scan.skip_from = scan.offset + p + (p < n && found.size() < kFoundBatch);
        return p;
    }
#else
    (void)found;
#endif
    p = skip_at_root(m, data, p, n, scan.line);
    scan.skip_from = scan.offset + p + (p < n);
    return p;
}

static size_t scan_dense(const TagMatcher& m, const uint8_t* data, size_t n, TextScan& scan,
                         std::vector<FoundName>& found) {
    const uint32_t output_code = m.output_code;
    size_t p = scan.pos;
    uint32_t code = scan.state;
    while (p < n) {
        if (code == 0 && scan.cut) {
            p = skip_cut_line(data, p, n, scan);
            continue;
        }
        if (code < m.shallow_code) {
            p = skip_to_start(m, data, p, n, depth_of_shallow(m, code), scan, code, found);
            if (p == n || found.size() >= kFoundBatch)
                break;
        }
        if (code < m.chain_code || code >= output_code) {
            p = walk_table(m, data, p, n, code);
        } else {
            p = follow_chain(m, data, p, n, code);
        }
        if (code >= output_code) {
            if (code == m.line_break_code) {
                code = 0;
                take_line_break(data[p - 1], scan);
                continue;
            }
            take_names_ending(m, m.state_of_row[row_of_code(m, code)], scan.offset + p - 1, scan,
                              found);
            if (found.size() >= kFoundBatch)
                break;
        }
    }
    scan.state = code;
    return p;
}

static size_t scan_sparse(const TagMatcher& m, const uint8_t* data, size_t n, TextScan& scan,
                          std::vector<FoundName>& found) {
    // Without hashed starts, skipping happens at the root only.
    const size_t shallow = m.start_bytes != 0 ? m.start_bytes : 1;
    size_t p = scan.pos;
    uint32_t state = scan.state;
    while (p < n) {
        if (state == 0 && scan.cut) {
            p = skip_cut_line(data, p, n, scan);
            continue;
        }
        size_t depth = state == 0 ? 0 : m.start_bytes != 0 ? m.depth[state] : shallow;
        if (depth < shallow) {
            p = skip_to_start(m, data, p, n, depth, scan, state, found);
            if (p == n || found.size() >= kFoundBatch)
                break;
        }
        uint8_t byte = data[p++];
        if (byte == kLf || byte == kCr) {
            state = 0;
            take_line_break(byte, scan);
            continue;
        }
        state = step(m, state, byte);
        if (m.has_output[state]) {
            take_names_ending(m, state, scan.offset + p - 1, scan, found);
            if (found.size() >= kFoundBatch)
                break;
        }
    }
    scan.state = state;
    return p;
}

bool find_names(const TagMatcher& matcher, std::string_view chunk, TextScan& scan,
                std::vector<FoundName>& found) {
    const uint8_t* data = reinterpret_cast<const uint8_t*>(chunk.data());
    size_t n = chunk.size();
    size_t p = matcher.dense ? scan_dense(matcher, data, n, scan, found)
                             : scan_sparse(matcher, data, n, scan, found);
    if (p < n) {
        scan.pos = p;
        return false;
    }
    scan.offset += n;
    scan.pos = 0;
    return true;
}

void finish_text_scan(TextScan& scan, std::vector<FoundName>& found) {
    settle_waiting(scan, UINT64_MAX, found);
}
