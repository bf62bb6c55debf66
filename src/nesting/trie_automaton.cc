#include "nesting/trie_automaton.h"

#include <algorithm>
#include <new>
#include <numeric>
#include <string_view>

// State s > 0 hangs from parent_of[s - 1] on byte_of[s - 1]: states are made in
// order, so the child of each edge is implied, which keeps the edge list small
// while building (long names make one state per byte).
struct TrieEdges {
    std::vector<uint32_t> parent_of;
    std::vector<uint8_t> byte_of;
};

// Children are laid out per parent in increasing byte order: inserting the names
// in sorted order creates each parent's children in that order.
static void lay_out_children(const TrieEdges& edges, size_t state_count, TrieAutomaton& trie) {
    trie.child_begin.assign(state_count + 1, 0);
    for (uint32_t parent : edges.parent_of)
        ++trie.child_begin[parent + 1];
    std::partial_sum(trie.child_begin.begin(), trie.child_begin.end(), trie.child_begin.begin());
    size_t edge_count = edges.parent_of.size();
    trie.child_byte.resize(edge_count);
    trie.child_state.resize(edge_count);
    // child_begin[p] serves as p's cursor, which leaves it at p + 1's begin.
    for (size_t e = 0; e < edge_count; ++e) {
        uint32_t slot = trie.child_begin[edges.parent_of[e]]++;
        trie.child_byte[slot] = edges.byte_of[e];
        trie.child_state[slot] = static_cast<uint32_t>(e + 1);
    }
    std::copy_backward(trie.child_begin.begin(), trie.child_begin.end() - 1,
                       trie.child_begin.end());
    trie.child_begin[0] = 0;
}

static void build_trie(const TagTable& table, TrieAutomaton& trie) {
    std::vector<uint32_t> ids(2 * table.n);
    std::iota(ids.begin(), ids.end(), 0);
    std::sort(ids.begin(), ids.end(),
              [&](uint32_t a, uint32_t b) { return name_of(table, a) < name_of(table, b); });
    // Counted first, so that no vector of one entry a state grows by doubling.
    size_t state_count = 1;
    std::string_view previous;
    for (uint32_t id : ids) {
        std::string_view name = name_of(table, id);
        state_count += name.size() - std::min(common_prefix_length(previous, name), name.size());
        previous = name;
    }
    if (state_count >= kNoState)
        throw std::bad_alloc();
    trie.name_length.resize(ids.size());
    trie.own_name.assign(state_count, kNoName);
    TrieEdges edges;
    edges.parent_of.reserve(state_count - 1);
    edges.byte_of.reserve(state_count - 1);
    // The states along the current name's path, as runs of states made one after
    // another: depth d of a run holds state + (d - depth). Long names make one run.
    struct PathRun {
        size_t depth;
        uint32_t state;
    };
    std::vector<PathRun> path{{0, 0}};
    previous = {};
    for (uint32_t id : ids) {
        std::string_view name = name_of(table, id);
        size_t shared = common_prefix_length(previous, name);
        while (path.back().depth > shared)
            path.pop_back();
        uint32_t state = path.back().state + static_cast<uint32_t>(shared - path.back().depth);
        if (shared < name.size())
            path.push_back({shared + 1, static_cast<uint32_t>(edges.parent_of.size() + 1)});
        for (size_t depth = shared; depth < name.size(); ++depth) {
            edges.parent_of.push_back(state);
            edges.byte_of.push_back(static_cast<uint8_t>(name[depth]));
            state = static_cast<uint32_t>(edges.parent_of.size());
        }
        trie.own_name[state] = id;
        trie.name_length[id] = static_cast<uint32_t>(name.size());
        trie.longest_name = std::max(trie.longest_name, name.size());
        previous = name;
    }
    lay_out_children(edges, state_count, trie);
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

std::vector<StateDepth> state_depths(const TrieAutomaton& trie,
                                     const std::vector<uint32_t>& order) {
    std::vector<StateDepth> depth_of(trie.own_name.size(), 0);
    for (uint32_t state : order) {
        StateDepth child_depth = depth_of[state] == kDeepState ? kDeepState : depth_of[state] + 1;
        for (uint32_t e = trie.child_begin[state]; e < trie.child_begin[state + 1]; ++e)
            depth_of[trie.child_state[e]] = child_depth;
    }
    return depth_of;
}
