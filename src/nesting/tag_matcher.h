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
constexpr uint32_t kNoName = UINT32_MAX;
// The root skips whole blocks when names begin with at most this many bytes.
constexpr size_t kMaxSkipBytes = 4;
// Skipping by hash looks at up to this many bytes where a name may start.
constexpr size_t kMaxStartBytes = 4;
constexpr size_t kDenseEntryLimit = 2 * 1024 * 1024;

constexpr uint32_t kNoStart = kNoName;         // no name begins there
constexpr uint32_t kLeftToWalk = kNoName - 1;  // the walk must tell
constexpr size_t kInlineName = 19;

// The names beginning with one key of start bytes, in one 32-byte slot: the
// name itself when it is the only one and short, else kLeftToWalk with the
// state the walk stands in after the start bytes; kNoStart in an empty slot.
struct StartSlot {
    uint32_t key = 0;
    uint32_t id = kNoStart;
    uint8_t length = 0;
    uint8_t bytes[kInlineName] = {};
    // A row's code with a full table, else a state; the root: from the start bytes.
    uint32_t walk_state = 0;
};

struct ChainRest {
    uint32_t offset;    // of the rest in chain_bytes
    uint32_t length;    // bytes
    uint32_t end_code;  // the row the name ends in
};

struct TagMatcher {
    // The trie: state 0 is the root; children of s are child_state[child_begin[s] ..
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

    // Full table over byte classes. Its rows are the states renumbered: those
    // without output first, then the chains below, then those with output. An
    // entry is the start of the target's row, and it is at least output_code
    // exactly when the target has output. CR and LF lead to the last row,
    // line_break_code, which only marks the line break.
    bool dense = false;
    std::array<uint8_t, 256> byte_class{};
    uint32_t class_count = 0;
    uint64_t row_reciprocal = 0;  // 2^32 / class_count, rounded up
    std::vector<uint32_t> table;
    std::vector<uint32_t> state_of_row;
    uint32_t output_code = 0;
    uint32_t line_break_code = 0;
    // Rows from chain_code to output_code are states on the way to exactly one
    // name, with no name ending before it: chains of rows, one after another,
    // each with the rest of its name in chain_bytes, so that the walk compares
    // them at once instead of stepping.
    uint32_t chain_code = 0;
    std::vector<ChainRest> chain_rest;  // by row from chain_code on
    std::vector<uint8_t> chain_bytes;   // and 16 spare bytes

    // Where the root stops skipping: a byte a name can begin with, or a CR.
    std::array<uint8_t, 256> byte_role{};
    size_t first_byte_count = 0;
    // Few enough of them for the full table's walk to skip whole blocks while at
    // the root; otherwise comparing with each would cost more than it saves.
    bool root_skips = false;
    // Each of those bytes (unused places repeating one of them), then LF and CR,
    // 16 times over: ready for block compares.
    std::array<std::array<uint8_t, 16>, kMaxSkipBytes + 2> byte_blocks{};

    // With more first bytes than that and no name shorter than two bytes, the
    // walk skips the positions where no name can start by a hash of the first
    // start_bytes bytes there (start_mask keeps them of a 4-byte load) in the bit
    // set start_hashes. Where one may start, start_slots tells which names
    // begin with those bytes: just one short name is compared on the spot, and
    // the walk is left the rest. When nearly every start is settled so, the walk
    // goes without a large full table.
    size_t start_bytes = 0;
    uint32_t start_mask = 0;
    std::vector<uint64_t> start_hashes;
    // Open addressing, with one more slot at the end that sends the walk on from
    // where the start bytes begin.
    std::vector<StartSlot> start_slots;
    uint32_t start_slot_mask = 0;
    uint32_t start_factor = 0;    // of the hash, chosen so that few keys crowd one slot
    std::vector<uint32_t> depth;  // of each state, for the walk without a full table
    // The processor takes 32-byte blocks (AVX2): skipping by hash uses them.
    bool wide_blocks = false;

    // The walk hands the text back to skipping below shallow_code: the states
    // shallower than the bytes skipping looks at, the root's row first, then
    // those of depth 1 from depth_code[1] on, and so on. Zero when nothing skips.
    uint32_t shallow_code = 0;
    std::array<uint32_t, kMaxStartBytes> depth_code{};
};

// What a matcher may use; tests narrow it to reach each way of walking and
// skipping. The defaults are what the checker uses.
struct MatcherOptions {
    size_t dense_entry_limit = kDenseEntryLimit;  // 0: never a full table
    bool wide_blocks = true;                      // 32-byte blocks where the processor has them
};

// Throws std::bad_alloc when memory runs out.
TagMatcher build_tag_matcher(const TagTable& table, const MatcherOptions& options = {});

// A name found: its id and the number of the line it stands on.
struct FoundName {
    uint32_t id;
    uint64_t line;
    bool operator==(const FoundName&) const = default;
};

// Where the matcher stands in the checked file's bytes, which it takes in chunks
// of any size. Lines end at LF, and a CR ends a line's text: the rest of that
// line is passed over. Names never hold a CR or an LF, so no match crosses a
// line end, and ordering matches by their start in the whole file also orders
// them by line.
struct TextScan {
    uint64_t offset = 0;  // of the current chunk's first byte in the file
    size_t pos = 0;       // next byte within the current chunk
    uint64_t line = 1;
    uint32_t state = 0;
    bool cut = false;  // a CR has ended the current line's text
    // Skipping may start again from here on; below it the walk has more to do.
    uint64_t skip_from = 0;
    // Matches waiting for every earlier start to be settled, by start & window_mask;
    // the lowest waiting start is at least `lowest`.
    std::vector<FoundName> slot;
    size_t window_mask = 0;
    uint64_t lowest = 0;
    size_t waiting = 0;
};

void start_text_scan(const TagMatcher& matcher, TextScan& scan);

// Appends the names found in `chunk` from scan.pos on, in order of their starts,
// stopping early once `found` holds kFoundBatch of them. Returns true once the
// chunk is done; the next call then takes the file's next chunk.
constexpr size_t kFoundBatch = 1024;
bool find_names(const TagMatcher& matcher, std::string_view chunk, TextScan& scan,
                std::vector<FoundName>& found);

// Hands out the matches still waiting at the end of the file.
void finish_text_scan(TextScan& scan, std::vector<FoundName>& found);
