#include "nesting/trie_automaton.h"

#include <algorithm>
#include <new>
#include <numeric>
#include <string_view>

struct TrieEdge {
    uint32_t parent;
    uint8_t byte;
    uint32_t child;
};

// Children are laid out per parent in increasing byte order: inserting the names
// in sorted order creates each parent's children in that order.
static void lay_out_children(const std::vector<TrieEdge>& edges, size_t state_count,
                             TrieAutomaton& trie) {
    trie.child_begin.assign(state_count + 1, 0);
    for (const TrieEdge& edge : edges)
        ++trie.child_begin[edge.parent + 1];
    std::partial_sum(trie.child_begin.begin(), trie.child_begin.end(), trie.child_begin.begin());
    trie.child_byte.resize(edges.size());
    trie.child_state.resize(edges.size());
    std::vector<uint32_t> next(trie.child_begin.begin(), trie.child_begin.end() - 1);
    for (const TrieEdge& edge : edges) {
        uint32_t slot = next[edge.parent]++;
        trie.child_byte[slot] = edge.byte;
        trie.child_state[slot] = edge.child;
    }
}

static void build_trie(const TagTable& table, TrieAutomaton& trie) {
    std::vector<uint32_t> ids(2 * table.n);
    std::iota(ids.begin(), ids.end(), 0);
    std::sort(ids.begin(), ids.end(),
              [&](uint32_t a, uint32_t b) { return name_of(table, a) < name_of(table, b); });
    trie.name_length.resize(ids.size());
    trie.own_name.assign(1, kNoName);
    std::vector<TrieEdge> edges;
    std::vector<uint32_t> path{0};
    std::string_view previous;
    for (uint32_t id : ids) {
        std::string_view name = name_of(table, id);
        path.resize(common_prefix_length(previous, name) + 1);
        for (size_t depth = path.size() - 1; depth < name.size(); ++depth) {
            if (trie.own_name.size() >= kNoState)
                throw std::bad_alloc();
            uint32_t state = static_cast<uint32_t>(trie.own_name.size());
            trie.own_name.push_back(kNoName);
            edges.push_back({path[depth], static_cast<uint8_t>(name[depth]), state});
            path.push_back(state);
        }
        trie.own_name[path.back()] = id;
        trie.name_length[id] = static_cast<uint32_t>(name.size());
        trie.longest_name = std::max(trie.longest_name, name.size());
        previous = name;
    }
    lay_out_children(edges, trie.own_name.size(), trie);
}

uint32_t trie_child(const TrieAutomaton& trie, uint32_t state, uint8_t byte) {
    auto first = trie.child_byte.begin() + trie.child_begin[state];
    auto last = trie.child_byte.begin() + trie.child_begin[state + 1];
    auto found = std::lower_bound(first, last, byte);
    if (found == last || *found != byte)
        return kNoState;
    return trie.child_state[static_cast<size_t>(found - trie.child_byte.begin())];
}

uint32_t trie_step(const TrieAutomaton& trie, uint32_t state, uint8_t byte) {
    for (;;) {
        uint32_t next = trie_child(trie, state, byte);
        if (next != kNoState)
            return next;
        if (state == 0)
            return 0;
        state = trie.fail[state];
    }
}

// Failure and dictionary links, in breadth-first order; returns that order.
static std::vector<uint32_t> link_states(TrieAutomaton& trie) {
    size_t state_count = trie.own_name.size();
    trie.fail.assign(state_count, 0);
    trie.dict_link.assign(state_count, kNoState);
    std::vector<uint32_t> order{0};
    order.reserve(state_count);
    for (size_t head = 0; head < order.size(); ++head) {
        uint32_t state = order[head];
        for (uint32_t e = trie.child_begin[state]; e < trie.child_begin[state + 1]; ++e) {
            uint32_t child = trie.child_state[e];
            uint32_t fail = state == 0 ? 0 : trie_step(trie, trie.fail[state], trie.child_byte[e]);
            trie.fail[child] = fail;
            trie.dict_link[child] = trie.own_name[fail] != kNoName ? fail : trie.dict_link[fail];
            order.push_back(child);
        }
    }
    trie.has_output.resize(state_count);
    for (size_t s = 0; s < state_count; ++s) {
        trie.has_output[s] = trie.own_name[s] != kNoName || trie.dict_link[s] != kNoState;
        // Names are leaves; an inner state with output lies inside a longer name.
        bool inner = trie.child_begin[s + 1] > trie.child_begin[s];
        if (inner && trie.has_output[s])
            trie.needs_reorder = true;
    }
    return order;
}

std::vector<uint32_t> build_trie_automaton(const TagTable& table, TrieAutomaton& trie) {
    build_trie(table, trie);
    return link_states(trie);
}

std::vector<uint32_t> state_depths(const TrieAutomaton& trie, const std::vector<uint32_t>& order) {
    std::vector<uint32_t> depth_of(trie.own_name.size(), 0);
    for (uint32_t state : order) {
        for (uint32_t e = trie.child_begin[state]; e < trie.child_begin[state + 1]; ++e)
            depth_of[trie.child_state[e]] = depth_of[state] + 1;
    }
    return depth_of;
}
