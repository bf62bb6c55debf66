#pragma once

// The trie of all names with its failure and dictionary links: the automaton
// that every other part of the matcher is built from, and the walk used when a
// full table would be too large.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tags/tag_table.h"

constexpr uint32_t kNoState = UINT32_MAX;
constexpr uint32_t kNoName = UINT32_MAX;

// A state's depth in the trie, where depths past the largest are kept as the
// largest: only the few smallest depths are ever told apart, and a byte a state
// keeps memory small for long names.
using StateDepth = uint8_t;
constexpr StateDepth kDeepState = UINT8_MAX;

struct TrieAutomaton {
    // State 0 is the root; the children of s are child_state[child_begin[s] ..
    // child_begin[s + 1]), ordered by child_byte.
    std::vector<uint32_t> child_begin;
    std::vector<uint8_t> child_byte;
    std::vector<uint32_t> child_state;
    std::vector<uint32_t> fail;
    std::vector<uint32_t> own_name;   // the name ending exactly at the state, or kNoName
    std::vector<uint32_t> dict_link;  // longest proper suffix state with a name, or kNoState
    std::vector<uint8_t> has_output;
    std::vector<uint32_t> name_length;
    size_t longest_name = 0;
    // Some name holds another before its own end, so matches can arrive out of
    // order of their starts and must be put back in order.
    bool needs_reorder = false;
    // Each state's depth, kept only for the hashed skip without a full table.
    std::vector<StateDepth> depth;
};

// Builds the trie and its links; returns the states in breadth-first order.
// Throws std::bad_alloc when memory runs out.
std::vector<uint32_t> build_trie_automaton(const TagTable& table, TrieAutomaton& trie);

// The depth of every state, from the breadth-first order.
std::vector<StateDepth> state_depths(const TrieAutomaton& trie, const std::vector<uint32_t>& order);

inline size_t child_count(const TrieAutomaton& trie, uint32_t state) {
    return trie.child_begin[state + 1] - trie.child_begin[state];
}

// The child of `state` on `byte`, or kNoState.
uint32_t trie_child(const TrieAutomaton& trie, uint32_t state, uint8_t byte);

// The transition with failure links. Hot: a change needs a benchmark run.
uint32_t trie_step(const TrieAutomaton& trie, uint32_t state, uint8_t byte);
