#include "nesting/tag_matcher.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>
#include <numeric>

#if defined(__SSE2__)
#include <emmintrin.h>
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

// Rows in breadth-first order, states without output first; the root stays row 0.
static std::vector<uint32_t> order_rows(TagMatcher& m, const std::vector<uint32_t>& order) {
    std::vector<uint32_t> row_of(order.size());
    for (uint8_t with_output = 0; with_output < 2; ++with_output) {
        if (with_output)
            m.output_code = static_cast<uint32_t>(m.state_of_row.size());
        for (uint32_t state : order) {
            if (m.has_output[state] != with_output)
                continue;
            row_of[state] = static_cast<uint32_t>(m.state_of_row.size());
            m.state_of_row.push_back(state);
        }
    }
    return row_of;
}

static void build_table(TagMatcher& m, const std::vector<uint32_t>& order,
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
    std::vector<uint32_t> row_of = order_rows(m, order);
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

TagMatcher build_tag_matcher(const TagTable& table, size_t dense_entry_limit) {
    TagMatcher m;
    build_trie(table, m);
    std::vector<uint32_t> order = link_states(m);
    build_table(m, order, dense_entry_limit);
    find_first_bytes(m);
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
// break), or the root when kStopAtRoot, or the end. A state without output,
// other than the root, that stays put on a byte stays put on a run of it, so
// such runs are skipped whole: a long name of 'a's against a file of 'a's costs
// no more than a plain scan.
template <bool kStopAtRoot>
static size_t walk_table(const TagMatcher& m, const uint8_t* data, size_t p, size_t n,
                         uint32_t& code) {
    const uint32_t* table = m.table.data();
    const uint8_t* byte_class = m.byte_class.data();
    const uint32_t output_code = m.output_code;
    uint32_t state = code;
    do {
        uint32_t next = table[state + byte_class[data[p]]];
        if (next == state && state != 0 && state < output_code) {
            p = end_of_run(data, p, n);
        } else {
            state = next;
            ++p;
        }
    } while (p < n && (kStopAtRoot ? state - 1 < output_code - 1 : state < output_code));
    code = state;
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
        if (code == 0 && m.root_skips) {
            p = skip_at_root(m, data, p, n, scan.line);
            if (p == n)
                break;
        }
        p = m.root_skips ? walk_table<true>(m, data, p, n, code)
                         : walk_table<false>(m, data, p, n, code);
        if (code >= output_code) {
            if (code == m.line_break_code) {
                code = 0;
                take_line_break(data[p - 1], scan);
                continue;
            }
            take_names_ending(m, m.state_of_row[code / m.class_count], scan.offset + p - 1, scan,
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
    size_t p = scan.pos;
    uint32_t state = scan.state;
    while (p < n) {
        if (state == 0) {
            p = scan.cut ? skip_cut_line(data, p, n, scan) : skip_at_root(m, data, p, n, scan.line);
            if (p == n || scan.cut)
                continue;
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
