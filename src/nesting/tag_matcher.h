#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "tags/tag_table.h"

// An Aho-Corasick automaton over all 2n names of a TagTable, finding every
// occurrence in a text in one pass, in order of the occurrences' starts.
// Name ids: 2 * pair for the open name, 2 * pair + 1 for the close name.
//
// Small automata become a full transition table over byte classes; larger ones
// follow failure links through a sorted child list, which bounds their memory.

constexpr uint32_t kNoState = UINT32_MAX;
constexpr size_t kDenseEntryLimit = 2 * 1024 * 1024;

struct TagMatcher {
    // The trie: state 0 is the root; children of s are child_state[child_begin[s] ..
    // child_begin[s + 1]), ordered by child_byte.
    std::vector<uint32_t> child_begin;
    std::vector<uint8_t> child_byte;
    std::vector<uint32_t> child_state;
    std::vector<uint32_t> fail;
    std::vector<int64_t> own_name;    // the name ending exactly at the state, or -1
    std::vector<uint32_t> dict_link;  // longest proper suffix state with a name, or kNoState
    std::vector<uint8_t> has_output;
    std::vector<uint32_t> name_length;
    size_t longest_name = 0;
    // Some name holds another before its own end, so matches can arrive out of
    // order of their starts and must be put back in order.
    bool needs_reorder = false;

    // Full table: entry = (row of target state << 1) | target has output; the row
    // of state s starts at s * class_count.
    bool dense = false;
    std::array<uint8_t, 256> byte_class{};
    uint32_t class_count = 0;
    std::vector<uint32_t> table;

    // Bytes a name can begin with, to skip the rest while at the root.
    std::array<bool, 256> starts_name{};
    std::array<uint8_t, 4> first_bytes{};
    size_t first_byte_count = 0;
};

// Throws std::bad_alloc when memory runs out.
TagMatcher build_tag_matcher(const TagTable& table, size_t dense_entry_limit = kDenseEntryLimit);

// Where the matcher stands within one line.
struct LineScan {
    size_t pos = 0;
    uint32_t state = 0;
    // Matches waiting for every earlier start to be settled: slot[start & window_mask]
    // holds name id + 1; the lowest waiting start is at least `lowest`.
    std::vector<uint32_t> slot;
    size_t window_mask = 0;
    size_t lowest = 0;
    size_t waiting = 0;
};

void start_line_scan(const TagMatcher& matcher, LineScan& scan);

// Appends the ids of the names found from scan.pos on, in order of their starts,
// stopping early once `found` holds kFoundBatch ids. Returns true once the line is done.
constexpr size_t kFoundBatch = 4096;
bool find_names(const TagMatcher& matcher, std::string_view text, LineScan& scan,
                std::vector<uint32_t>& found);
