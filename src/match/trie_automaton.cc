#include "match/trie_automaton.h"

#include <algorithm>
#include <new>
#include <numeric>
#include <string_view>

#include "tags/tag_table.h"

// While building: a dictionary link still to be found (through a tail).
constexpr uint32_t kLinkUnset = kNoState - 1;

namespace {

// Node s > 0 hangs from parent_of[s - 1] on byte_of[s - 1]: nodes are made in
// order, so the child of each edge is implied, which keeps the edge list small
// while building. The edges into tails are listed apart, as each parent's
// children come before or after them in byte order.
struct TrieEdges {
    std::vector<uint32_t> parent_of;
    std::vector<uint8_t> byte_of;
    // Made in the same name order: before node_edges_before[i] node edges.
    std::vector<uint32_t> tail_parent;
    std::vector<uint8_t> tail_byte;
    std::vector<uint32_t> tail_first;
    std::vector<uint32_t> node_edges_before;
};

// Children are laid out per parent in increasing byte order: inserting the names
// in sorted order creates each parent's children in that order.
void lay_out_children(const TrieEdges& edges, size_t node_count, TrieAutomaton& trie) {
    trie.child_begin.assign(node_count + 1, 0);
    for (uint32_t parent : edges.parent_of)
        ++trie.child_begin[parent + 1];
    for (uint32_t parent : edges.tail_parent)
        ++trie.child_begin[parent + 1];
    std::partial_sum(trie.child_begin.begin(), trie.child_begin.end(), trie.child_begin.begin());
    size_t edge_count = edges.parent_of.size() + edges.tail_parent.size();
    trie.child_byte.resize(edge_count);
    trie.child_state.resize(edge_count);
    // child_begin[p] serves as p's cursor, which leaves it at p + 1's begin.
    auto add = [&](uint32_t parent, uint8_t byte, uint32_t child) {
        uint32_t slot = trie.child_begin[parent]++;
        trie.child_byte[slot] = byte;
        trie.child_state[slot] = child;
    };
    size_t tail = 0;
    for (size_t e = 0; e <= edges.parent_of.size(); ++e) {
        for (; tail < edges.tail_parent.size() && edges.node_edges_before[tail] == e; ++tail)
            add(edges.tail_parent[tail], edges.tail_byte[tail], edges.tail_first[tail]);
        if (e < edges.parent_of.size())
            add(edges.parent_of[e], edges.byte_of[e], static_cast<uint32_t>(e + 1));
    }
    std::copy_backward(trie.child_begin.begin(), trie.child_begin.end() - 1,
                       trie.child_begin.end());
    trie.child_begin[0] = 0;
}

// The names in sorted order, with how many bytes each shares with the one
// before (shared[0] = 0, and a last entry 0 for the one after the last).
struct SortedNames {
    std::vector<uint32_t> ids;
    std::vector<uint32_t> shared;
};

SortedNames sort_names(const Patterns& names) {
    SortedNames sorted;
    sorted.ids.resize(names.size());
    std::iota(sorted.ids.begin(), sorted.ids.end(), 0);
    std::sort(sorted.ids.begin(), sorted.ids.end(),
              [&](uint32_t a, uint32_t b) { return names[a] < names[b]; });
    sorted.shared.assign(sorted.ids.size() + 1, 0);
    for (size_t i = 1; i < sorted.ids.size(); ++i) {
        sorted.shared[i] = static_cast<uint32_t>(
            common_prefix_length(names[sorted.ids[i - 1]], names[sorted.ids[i]]));
    }
    return sorted;
}

// Where the nodes of the i-th sorted name end: past that depth it leads to
// itself alone, and with tails those states are its tail.
size_t node_depth(const SortedNames& sorted, size_t i, size_t length, bool tails) {
    if (!tails)
        return length;
    size_t parting = std::max<size_t>(sorted.shared[i], sorted.shared[i + 1]);
    return std::min(length, std::max(parting, kTailMinDepth - 1));
}

// The nodes the sorted names make, the root included; without tails, every
// state is one.
size_t count_nodes(const Patterns& names, const SortedNames& sorted, bool tails) {
    size_t count = 1;
    for (size_t i = 0; i < sorted.ids.size(); ++i) {
        size_t length = names[sorted.ids[i]].size();
        count += node_depth(sorted, i, length, tails) - std::min<size_t>(sorted.shared[i], length);
    }
    return count;
}

// Builds the nodes and the tails' bytes; returns the name of each tail, in order.
// One pass over the sorted names, whose path and edges it keeps as it goes: kept
// whole rather than split over functions that would share all of its state.
std::vector<uint32_t> build_trie(const Patterns& names, size_t tail_states, TrieAutomaton& trie) {
    SortedNames sorted = sort_names(names);
    // Counted first, so that no vector of one entry a state grows by doubling.
    size_t all_states = count_nodes(names, sorted, false);
    if (all_states >= kLinkUnset)
        throw std::bad_alloc();
    const bool tails = all_states >= tail_states;
    size_t node_count = count_nodes(names, sorted, tails);
    trie.node_count = static_cast<uint32_t>(node_count);
    trie.name_length.resize(sorted.ids.size());
    trie.own_name.assign(node_count, kNoName);
    trie.tail_next_byte.reserve(all_states - node_count);
    TrieEdges edges;
    edges.parent_of.reserve(node_count - 1);
    edges.byte_of.reserve(node_count - 1);
    std::vector<uint32_t> tail_name;
    // The nodes along the current name's path, as runs of nodes made one after
    // another: depth d of a run holds node + (d - depth).
    struct PathRun {
        size_t depth;
        uint32_t node;
    };
    std::vector<PathRun> path{{0, 0}};
    for (size_t i = 0; i < sorted.ids.size(); ++i) {
        uint32_t id = sorted.ids[i];
        std::string_view name = names[id];
        size_t shared = std::min<size_t>(sorted.shared[i], name.size());
        size_t nodes_end = node_depth(sorted, i, name.size(), tails);
        while (path.back().depth > shared)
            path.pop_back();
        uint32_t node = path.back().node + static_cast<uint32_t>(shared - path.back().depth);
        if (shared < nodes_end)
            path.push_back({shared + 1, static_cast<uint32_t>(edges.parent_of.size() + 1)});
        for (size_t depth = shared; depth < nodes_end; ++depth) {
            edges.parent_of.push_back(node);
            edges.byte_of.push_back(static_cast<uint8_t>(name[depth]));
            node = static_cast<uint32_t>(edges.parent_of.size());
        }
        if (nodes_end == name.size()) {
            trie.own_name[node] = id;
        } else {
            edges.tail_parent.push_back(node);
            edges.tail_byte.push_back(static_cast<uint8_t>(name[nodes_end]));
            edges.tail_first.push_back(
                static_cast<uint32_t>(node_count + trie.tail_next_byte.size()));
            edges.node_edges_before.push_back(static_cast<uint32_t>(edges.parent_of.size()));
            trie.tail_next_byte.insert(trie.tail_next_byte.end(), name.begin() + nodes_end + 1,
                                       name.end());
            trie.tail_next_byte.push_back(kLf);
            tail_name.push_back(id);
        }
        trie.name_length[id] = static_cast<uint32_t>(name.size());
        trie.longest_name = std::max(trie.longest_name, name.size());
    }
    lay_out_children(edges, node_count, trie);
    return tail_name;
}

}  // namespace

uint32_t node_child(const TrieAutomaton& trie, uint32_t node, uint8_t byte) {
    auto first = trie.child_byte.begin() + trie.child_begin[node];
    auto last = trie.child_byte.begin() + trie.child_begin[node + 1];
    auto found = std::lower_bound(first, last, byte);
    if (found == last || *found != byte)
        return kNoState;
    return trie.child_state[static_cast<size_t>(found - trie.child_byte.begin())];
}

uint32_t trie_child(const TrieAutomaton& trie, uint32_t state, uint8_t byte) {
    if (is_tail(trie, state))
        return trie.tail_next_byte[state - trie.node_count] == byte ? state + 1 : kNoState;
    return node_child(trie, state, byte);
}

uint32_t trie_step(const TrieAutomaton& trie, uint32_t state, uint8_t byte) {
    for (;;) {
        if (is_tail(trie, state)) {
            if (trie.tail_next_byte[state - trie.node_count] == byte)
                return state + 1;
        } else {
            uint32_t next = node_child(trie, state, byte);
            if (next != kNoState)
                return next;
            if (state == 0)
                return 0;
        }
        state = trie.fail[state];
    }
}

namespace {

bool ends_name(const TrieAutomaton& trie, uint32_t state) {
    if (is_tail(trie, state))
        return trie.tail_next_byte[state - trie.node_count] == kLf;
    return trie.own_name[state] != kNoName;
}

// Sets the failure link of `state` and what it tells of the outputs. A
// dictionary link through a tail position is left for resolve_dict_links.
// Without tails (kTails false) every state is a node.
template <bool kTails>
void link_state(TrieAutomaton& trie, uint32_t state, uint32_t fail) {
    trie.fail[state] = fail;
    if constexpr (!kTails) {
        trie.has_output[state] = trie.own_name[state] != kNoName || trie.has_output[fail];
        trie.dict_link[state] = trie.own_name[fail] != kNoName ? fail : trie.dict_link[fail];
        return;
    }
    trie.has_output[state] = ends_name(trie, state) || trie.has_output[fail];
    if (is_tail(trie, state))
        return;
    uint32_t link = ends_name(trie, fail)    ? fail
                    : !trie.has_output[fail] ? kNoState
                    : !is_tail(trie, fail)   ? trie.dict_link[fail]
                                             : kLinkUnset;
    trie.dict_link[state] = link;
}

// Failure links, one depth after another: a state's link needs every shallower
// state's. Nodes go breadth-first; the tail positions of each depth follow, from
// a list of the tails under way. Returns the nodes in breadth-first order.
template <bool kTails>
std::vector<uint32_t> link_by_depth(TrieAutomaton& trie) {
    const uint32_t node_count = trie.node_count;
    trie.fail.assign(node_count + trie.tail_next_byte.size(), 0);
    trie.has_output.assign(trie.fail.size(), 0);
    trie.dict_link.assign(node_count, kNoState);
    std::vector<uint32_t> order{0};
    order.reserve(node_count);
    std::vector<uint32_t> tails_under_way;  // the position linked last of each
    std::vector<uint32_t> tails_begun;
    size_t level_begin = 0;
    while (level_begin < order.size() || !tails_under_way.empty()) {
        size_t level_end = order.size();
        for (size_t head = level_begin; head < level_end; ++head) {
            uint32_t state = order[head];
            for (uint32_t e = trie.child_begin[state]; e < trie.child_begin[state + 1]; ++e) {
                uint32_t child = trie.child_state[e];
                uint32_t fail =
                    state == 0 ? 0 : trie_step(trie, trie.fail[state], trie.child_byte[e]);
                link_state<kTails>(trie, child, fail);
                if (kTails && is_tail(trie, child)) {
                    tails_begun.push_back(child);
                } else {
                    order.push_back(child);
                }
            }
        }
        size_t kept = 0;
        for (uint32_t before : tails_under_way) {
            uint8_t byte = trie.tail_next_byte[before - node_count];
            link_state<kTails>(trie, before + 1, trie_step(trie, trie.fail[before], byte));
            if (!ends_name(trie, before + 1))
                tails_under_way[kept++] = before + 1;
        }
        tails_under_way.resize(kept);
        for (uint32_t first : tails_begun) {
            if (!ends_name(trie, first))
                tails_under_way.push_back(first);
        }
        tails_begun.clear();
        level_begin = level_end;
    }
    return order;
}

// The outputs of the tail positions that have one, with their own names; their
// dictionary links are left for resolve_dict_links.
void gather_tail_outputs(TrieAutomaton& trie, const std::vector<uint32_t>& tail_name) {
    size_t positions = trie.tail_next_byte.size();
    trie.tail_output_bits.assign((positions + 63) / 64, 0);
    trie.tail_output_rank.assign(trie.tail_output_bits.size(), 0);
    const uint8_t* output = trie.has_output.data() + trie.node_count;
    uint32_t count = 0;
    size_t tail = 0;
    for (size_t p = 0; p < positions; ++p) {
        if (p % 64 == 0)
            trie.tail_output_rank[p / 64] = count;
        bool last = trie.tail_next_byte[p] == kLf;
        if (output[p]) {
            trie.tail_output_bits[p / 64] |= uint64_t{1} << (p % 64);
            trie.tail_outputs.push_back({last ? tail_name[tail] : kNoName, kLinkUnset});
            ++count;
        }
        tail += last;
    }
}

uint32_t& dict_link_of(TrieAutomaton& trie, uint32_t state) {
    if (!is_tail(trie, state))
        return trie.dict_link[state];
    return trie.tail_outputs[tail_output_index(trie, state)].dict_link;
}

// The dictionary links left unset: the first state with a name of its own down
// the failure links. Every state on the way shares it, so each is set once.
void resolve_dict_links(TrieAutomaton& trie) {
    std::vector<uint32_t> chain;
    auto resolve = [&](uint32_t state) {
        if (!trie.has_output[state] || dict_link_of(trie, state) != kLinkUnset)
            return;
        chain.clear();
        uint32_t link = kNoState;
        for (uint32_t s = state;; s = trie.fail[s]) {
            chain.push_back(s);
            uint32_t fail = trie.fail[s];
            if (!trie.has_output[fail])
                break;
            if (ends_name(trie, fail)) {
                link = fail;
                break;
            }
            if (dict_link_of(trie, fail) != kLinkUnset) {
                link = dict_link_of(trie, fail);
                break;
            }
        }
        for (uint32_t s : chain)
            dict_link_of(trie, s) = link;
    };
    for (uint32_t s = 0; s < state_count(trie); ++s)
        resolve(s);
}

}  // namespace

std::vector<uint32_t> build_trie_automaton(const Patterns& names, TrieAutomaton& trie,
                                           size_t tail_states) {
    std::vector<uint32_t> tail_name = build_trie(names, tail_states, trie);
    std::vector<uint32_t> order =
        tail_name.empty() ? link_by_depth<false>(trie) : link_by_depth<true>(trie);
    if (!tail_name.empty()) {
        gather_tail_outputs(trie, tail_name);
        resolve_dict_links(trie);
    }
    // A state with output and a child lies inside a longer name.
    for (uint32_t s = 0; s < state_count(trie) && !trie.needs_reorder; ++s) {
        bool inner = is_tail(trie, s) ? !ends_name(trie, s) : child_count(trie, s) > 0;
        trie.needs_reorder = inner && trie.has_output[s];
    }
    return order;
}

std::vector<StateDepth> state_depths(const TrieAutomaton& trie,
                                     const std::vector<uint32_t>& order) {
    std::vector<StateDepth> depth_of(trie.node_count, 0);
    for (uint32_t state : order) {
        StateDepth child_depth = depth_of[state] == kDeepState ? kDeepState : depth_of[state] + 1;
        for (uint32_t e = trie.child_begin[state]; e < trie.child_begin[state + 1]; ++e) {
            if (!is_tail(trie, trie.child_state[e]))
                depth_of[trie.child_state[e]] = child_depth;
        }
    }
    return depth_of;
}
