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
    m.own_name.assign(1, -1);
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
            m.own_name.push_back(-1);
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
            m.dict_link[child] = m.own_name[fail] >= 0 ? fail : m.dict_link[fail];
            order.push_back(child);
        }
    }
    m.has_output.resize(state_count);
    for (size_t s = 0; s < state_count; ++s) {
        m.has_output[s] = m.own_name[s] >= 0 || m.dict_link[s] != kNoState;
        // Names are leaves; an inner state with output lies inside a longer name.
        bool inner = m.child_begin[s + 1] > m.child_begin[s];
        if (inner && m.has_output[s])
            m.needs_reorder = true;
    }
    return order;
}

static void build_table(TagMatcher& m, const std::vector<uint32_t>& order,
                        size_t dense_entry_limit) {
    std::array<bool, 256> used{};
    for (uint8_t byte : m.child_byte)
        used[byte] = true;
    m.class_count = 1;
    for (size_t byte = 0; byte < 256; ++byte) {
        m.byte_class[byte] = used[byte] ? static_cast<uint8_t>(m.class_count++) : 0;
    }
    size_t state_count = m.own_name.size();
    if (state_count > dense_entry_limit / m.class_count)
        return;
    uint32_t width = m.class_count;
    m.table.assign(state_count * width, 0);
    for (uint32_t state : order) {
        uint32_t* row = m.table.data() + size_t{state} * width;
        if (state != 0)
            std::memcpy(row, m.table.data() + size_t{m.fail[state]} * width, width * 4);
        for (uint32_t e = m.child_begin[state]; e < m.child_begin[state + 1]; ++e) {
            uint32_t child = m.child_state[e];
            row[m.byte_class[m.child_byte[e]]] = (child * width) << 1 | m.has_output[child];
        }
    }
    m.dense = true;
}

static void find_first_bytes(TagMatcher& m) {
    for (uint32_t e = m.child_begin[0]; e < m.child_begin[1]; ++e) {
        uint8_t byte = m.child_byte[e];
        m.starts_name[byte] = true;
        if (m.first_byte_count < m.first_bytes.size())
            m.first_bytes[m.first_byte_count] = byte;
        ++m.first_byte_count;
    }
}

TagMatcher build_tag_matcher(const TagTable& table, size_t dense_entry_limit) {
    TagMatcher m;
    build_trie(table, m);
    std::vector<uint32_t> order = link_states(m);
    build_table(m, order, dense_entry_limit);
    find_first_bytes(m);
    return m;
}

void start_line_scan(const TagMatcher& matcher, LineScan& scan) {
    scan.pos = 0;
    scan.state = 0;
    scan.waiting = 0;
    if (matcher.needs_reorder && scan.slot.empty()) {
        size_t window = std::bit_ceil(matcher.longest_name);
        scan.slot.assign(window, 0);
        scan.window_mask = window - 1;
    }
}

static size_t skip_to_name_start(const TagMatcher& m, std::string_view text, size_t p) {
    const char* data = text.data();
    size_t n = text.size();
#if defined(__SSE2__)
    if (m.first_byte_count == 1) {
        __m128i wanted = _mm_set1_epi8(static_cast<char>(m.first_bytes[0]));
        for (; p + 16 <= n; p += 16) {
            __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + p));
            unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, wanted)));
            if (mask != 0)
                return p + static_cast<size_t>(std::countr_zero(mask));
        }
    } else if (m.first_byte_count <= m.first_bytes.size()) {
        auto pick = [&](size_t i) {
            size_t last = m.first_byte_count - 1;
            return _mm_set1_epi8(static_cast<char>(m.first_bytes[std::min(i, last)]));
        };
        __m128i b0 = pick(0), b1 = pick(1), b2 = pick(2), b3 = pick(3);
        for (; p + 16 <= n; p += 16) {
            __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + p));
            __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, b0), _mm_cmpeq_epi8(v, b1)),
                                       _mm_or_si128(_mm_cmpeq_epi8(v, b2), _mm_cmpeq_epi8(v, b3)));
            unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hit));
            if (mask != 0)
                return p + static_cast<size_t>(std::countr_zero(mask));
        }
    }
#endif
    while (p < n && !m.starts_name[static_cast<uint8_t>(data[p])])
        ++p;
    return p;
}

// Hands out the waiting matches whose start is settled: no match still to come can
// start at or before `limit`.
static void settle_waiting(LineScan& scan, size_t limit_plus_one, std::vector<uint32_t>& found) {
    while (scan.waiting > 0 && scan.lowest < limit_plus_one) {
        uint32_t& slot = scan.slot[scan.lowest & scan.window_mask];
        if (slot != 0) {
            found.push_back(slot - 1);
            slot = 0;
            --scan.waiting;
        }
        ++scan.lowest;
    }
}

static void wait_in_window(LineScan& scan, size_t start, uint32_t id) {
    if (scan.waiting == 0 || start < scan.lowest)
        scan.lowest = start;
    scan.slot[start & scan.window_mask] = id + 1;
    ++scan.waiting;
}

// All names ending at `end` end in `state`: its own name, the longest, then
// shorter ones through the dictionary links, so by increasing start.
static void take_names_ending(const TagMatcher& m, uint32_t state, size_t end, LineScan& scan,
                              std::vector<uint32_t>& found) {
    if (!m.needs_reorder && m.dict_link[state] == kNoState) {
        found.push_back(static_cast<uint32_t>(m.own_name[state]));
        return;
    }
    if (m.needs_reorder && end + 1 > m.longest_name) {
        settle_waiting(scan, end + 1 - m.longest_name, found);
    }
    uint32_t s = m.own_name[state] >= 0 ? state : m.dict_link[state];
    for (; s != kNoState; s = m.dict_link[s]) {
        uint32_t id = static_cast<uint32_t>(m.own_name[s]);
        if (m.needs_reorder) {
            wait_in_window(scan, end + 1 - m.name_length[id], id);
        } else {
            found.push_back(id);
        }
    }
}

static bool scan_dense(const TagMatcher& m, std::string_view text, LineScan& scan,
                       std::vector<uint32_t>& found) {
    const uint32_t* table = m.table.data();
    const uint8_t* data = reinterpret_cast<const uint8_t*>(text.data());
    size_t n = text.size();
    size_t p = scan.pos;
    uint32_t code = scan.state;
    while (p < n) {
        if (code == 0) {
            p = skip_to_name_start(m, text, p);
            if (p == n)
                break;
        }
        code = table[(code >> 1) + m.byte_class[data[p]]];
        ++p;
        if (code & 1) {
            take_names_ending(m, (code >> 1) / m.class_count, p - 1, scan, found);
            if (found.size() >= kFoundBatch)
                break;
        }
    }
    scan.pos = p;
    scan.state = code;
    return p == n;
}

static bool scan_sparse(const TagMatcher& m, std::string_view text, LineScan& scan,
                        std::vector<uint32_t>& found) {
    const uint8_t* data = reinterpret_cast<const uint8_t*>(text.data());
    size_t n = text.size();
    size_t p = scan.pos;
    uint32_t state = scan.state;
    while (p < n) {
        if (state == 0) {
            p = skip_to_name_start(m, text, p);
            if (p == n)
                break;
        }
        state = step(m, state, data[p]);
        ++p;
        if (m.has_output[state]) {
            take_names_ending(m, state, p - 1, scan, found);
            if (found.size() >= kFoundBatch)
                break;
        }
    }
    scan.pos = p;
    scan.state = state;
    return p == n;
}

bool find_names(const TagMatcher& matcher, std::string_view text, LineScan& scan,
                std::vector<uint32_t>& found) {
    bool done = matcher.dense ? scan_dense(matcher, text, scan, found)
                              : scan_sparse(matcher, text, scan, found);
    if (!done)
        return false;
    settle_waiting(scan, SIZE_MAX, found);
    return true;
}
