#include <algorithm>
#include <bit>
#include <cstring>
#include <new>
#include <numeric>

#include "nesting/matcher_parts.h"
#include "nesting/tag_matcher.h"

struct TrieEdge {
    uint32_t parent;
    uint8_t byte;
    uint32_t child;
};

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

uint32_t step(const TagMatcher& m, uint32_t state, uint8_t byte) {
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

// Skipping by hash pays while at most about one position in sixteen passes.
constexpr size_t kMaxHashedStarts = (size_t{1} << kStartHashBits) / 16;

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
    m.start_slots.resize(slots);
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

// Where the walk stands after the start bytes that it is left.
static void set_walk_states(TagMatcher& m) {
    std::vector<uint32_t> row_of(m.dense ? m.own_name.size() : 0);
    for (uint32_t row = 0; row < row_of.size(); ++row)
        row_of[m.state_of_row[row]] = row;
    for (StartSlot& slot : m.start_slots) {
        if (slot.id != kLeftToWalk)
            continue;
        std::array<uint8_t, 4> bytes;
        std::memcpy(bytes.data(), &slot.key, sizeof slot.key);
        uint32_t state = 0;
        for (size_t i = 0; i < m.start_bytes; ++i)
            state = child_of(m, state, bytes[i]);
        slot.walk_state = m.dense ? row_of[state] * m.class_count : state;
    }
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
    if (walked_starts > 0)
        set_walk_states(m);
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
