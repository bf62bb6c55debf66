#pragma once

// The trie of all names with its failure and dictionary links: the automaton
// that every other part of the matcher is built from, and the walk used when a
// dense table would be too large.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "match/patterns.h"
#include "text/text_bytes.h"

constexpr uint32_t kNoState = UINT32_MAX;
constexpr uint32_t kNoName = UINT32_MAX;

// A node's depth in the trie, capped at kDeepState: only the few smallest
// depths are ever told apart, and one byte a node keeps memory small for long
// names.
using StateDepth = uint8_t;
constexpr StateDepth kDeepState = UINT8_MAX;

// Tails, in tries too large for a dense table. A state at least kTailMinDepth
// deep that leads to one name alone (the rest of a long name, past where it
// parts from every other) is no node with a child list but a position in its
// name's bytes: such positions take the ids from node_count on, one tail after
// another, so the child of a tail position is the next id. Per position they
// keep the byte to that child, a failure link and whether a name ends there;
// which names end there is kept only for the few positions where one does, so
// that a long name costs about six bytes a byte. Skipping never looks that
// deep, so the states it hands to the walk are always nodes.
constexpr size_t kTailMinDepth = 5;

// Which names end at a state: the one ending exactly there (or kNoName), and the
// longest proper suffix state where one ends (or kNoState).
struct StateOutput {
    uint32_t own_name;
    uint32_t dict_link;
};

struct TrieAutomaton {
    // Nodes [0, node_count); state 0 is the root. The children of node s are
    // child_state[child_begin[s] .. child_begin[s + 1]), ordered by child_byte;
    // one of them may be the first position of a tail.
    uint32_t node_count = 0;
    std::vector<uint32_t> child_begin;
    std::vector<uint8_t> child_byte;
    std::vector<uint32_t> child_state;
    std::vector<uint32_t> own_name;   // of nodes
    std::vector<uint32_t> dict_link;  // of nodes
    // Of every state, nodes and tail positions.
    std::vector<uint32_t> fail;
    std::vector<uint8_t> has_output;
    // Of tail positions, by id - node_count: the byte to the next position, an LF
    // at a tail's last position, where its name ends.
    std::vector<uint8_t> tail_next_byte;
    // The outputs of the tail positions that have one, in id order, found by the
    // rank of their bit in tail_output_bits (64 positions a word, with the count
    // of those before each word).
    std::vector<uint64_t> tail_output_bits;
    std::vector<uint32_t> tail_output_rank;
    std::vector<StateOutput> tail_outputs;
    std::vector<uint32_t> name_length;
    size_t longest_name = 0;
    // Some name holds another before its own end, so matches can arrive out of
    // order of their starts and must be put back in order.
    bool needs_reorder = false;
    // Each node's depth, kept only for the hashed skip without a dense table.
    std::vector<StateDepth> depth;
};

// Builds the trie and its links, with tails when it has at least `tail_states`
// states; returns the nodes in breadth-first order.
// Throws std::bad_alloc when memory runs out.
std::vector<uint32_t> build_trie_automaton(const Patterns& names, TrieAutomaton& trie,
                                           size_t tail_states = SIZE_MAX);

// The depth of every node, from the breadth-first order.
std::vector<StateDepth> state_depths(const TrieAutomaton& trie, const std::vector<uint32_t>& order);

inline size_t state_count(const TrieAutomaton& trie) {
    return trie.fail.size();
}

inline bool is_tail(const TrieAutomaton& trie, uint32_t state) {
    return state >= trie.node_count;
}

inline size_t child_count(const TrieAutomaton& trie, uint32_t node) {
    return trie.child_begin[node + 1] - trie.child_begin[node];
}

// The child of node `node` on `byte`, or kNoState.
uint32_t node_child(const TrieAutomaton& trie, uint32_t node, uint8_t byte);

// The child of any state on `byte` (never an LF or a CR), or kNoState.
uint32_t trie_child(const TrieAutomaton& trie, uint32_t state, uint8_t byte);

// The transition with failure links, on any byte but an LF or a CR.
// Hot: a change needs a benchmark run.
uint32_t trie_step(const TrieAutomaton& trie, uint32_t state, uint8_t byte);

// Where the output of a tail position with one is in tail_outputs.
inline size_t tail_output_index(const TrieAutomaton& trie, uint32_t state) {
    size_t position = state - trie.node_count;
    uint64_t before = trie.tail_output_bits[position / 64] & ((uint64_t{1} << (position % 64)) - 1);
    return trie.tail_output_rank[position / 64] + static_cast<size_t>(std::popcount(before));
}

// The names ending at a state with output.
inline StateOutput output_of(const TrieAutomaton& trie, uint32_t state) {
    if (!is_tail(trie, state))
        return {trie.own_name[state], trie.dict_link[state]};
    return trie.tail_outputs[tail_output_index(trie, state)];
}
