#pragma once

// The matcher: finds every occurrence of every name of a TagTable in a text in
// one pass, in order of the occurrences' starts, whatever the chunks the text
// comes in. Name ids: 2 * pair for the open name, 2 * pair + 1 for the close name.
//
// Design. All names become one Aho-Corasick automaton (trie_automaton.h), walked
// through a full transition table over byte classes when that stays small
// (dense_table.h), else through the trie's sorted child lists and failure links,
// which bound its memory. While no name is under way the scanner skips:
// - when the names begin with at most four distinct bytes, it compares 32 bytes
//   at a time with them (SSE2; first_byte_skip.h);
// - otherwise, when no name is shorter than two bytes, it hashes the first (up to
//   four) bytes at every position into a set of 2^19 bits, 32 positions at a time
//   with AVX2 gathers where the processor has them (hashed_start_skip.h). A
//   position that passes goes to one slot of an open-addressed table: when only
//   one short name begins with those bytes, it is compared there and then; a
//   start that several names share, or a long name's, hands the text to the
//   automaton, standing after those bytes. A lookup probes a bounded number of
//   slots from the key's home slot, the top bits of its hash. The programs draw
//   the hash's factor at random each run, so that no list can be aimed at it;
//   when a list crowds the slots of one factor, the next is tried.
// Neither skip can be kept from being slow by every list and text, so each
// tallies what it costs against what it saves and, where it stops paying, gives
// way to the walk for a while (SkipTally): the worst case is the walk's speed.
// The walk is by the dense table wherever it fits, even when skipping seems to
// settle every start.
// From a state that leads to one name alone (a chain of the dense table), the
// rest of that name is compared at once, so a long name costs no more than a
// short one. In a trie too large for a dense table those states are tails,
// positions in the name's bytes, so that a long name takes little memory.
// When a name holds another before its own end, matches can end out of order of
// their starts; they wait to be put back in order (waiting_names.h).
// Functions marked "Hot" are the inner loops: a change to them needs a run of
// bench/run_bench.sh against the code before it.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "match/dense_table.h"
#include "match/first_byte_skip.h"
#include "match/found_name.h"
#include "match/hashed_start_skip.h"
#include "match/patterns.h"
#include "match/trie_automaton.h"
#include "match/waiting_names.h"
#include "tags/tag_table.h"

// What skipping costs against what it saves, over stretches of at least
// tally_bytes of text: units for each time it is entered (the hashed skip looks
// at a block of 32 positions at once, the first-byte skip at 32 bytes), one for
// each position it stops at and each slot it probes, against one for each byte
// it passes over, which the walk would take about a unit each. Where it costs
// more, the walk takes the text alone for a distance that doubles each time
// skipping fails again, so that no list and text can make skipping slower than
// the walk.
struct GiveWayRule {
    uint64_t tally_bytes = 4096;
    uint64_t shortest = 4096;  // distance walked alone
    uint64_t longest = uint64_t{1} << 20;
};

constexpr uint64_t kHashedEntryCost = 16;
constexpr uint64_t kFirstByteEntryCost = 4;

struct SkipTally {
    uint64_t stretch_start = 0;
    uint64_t cost = 0;
    uint64_t saved = 0;
    uint64_t walk_alone_until = 0;
    uint64_t alone_distance = 0;  // the last distance walked alone, 0 once skipping pays
};

// How the automaton is walked.
enum class WalkKind : uint8_t {
    dense_table,  // one load a byte
    trie,         // child lists and failure links
};

// How text where no name can start is passed over while at the root or near it.
enum class SkipKind : uint8_t {
    none,
    first_bytes,    // block compares with the few bytes names begin with
    hashed_starts,  // a hash of the start bytes at every position
};

struct TagMatcher {
    TrieAutomaton trie;
    DenseTable table;           // with WalkKind::dense_table
    FirstByteSkip first_bytes;  // with SkipKind::first_bytes
    HashedStartSkip starts;     // with SkipKind::hashed_starts
    WalkKind walk = WalkKind::trie;
    SkipKind skip = SkipKind::none;
    GiveWayRule give_way;  // when skipping gives way, and for how long
};

// What a matcher may use; tests narrow it to reach each way of walking and
// skipping. The defaults are what the checker uses.
struct MatcherOptions {
    size_t dense_entry_limit = kDenseEntryLimit;  // 0: never a dense table
    bool wide_blocks = true;                      // 32-byte blocks where the processor has them
    // Tails from this many states on (0: always). A dense table has at least four
    // byte classes, so by default no list that a dense table can take gets tails.
    size_t tail_states = kDenseEntryLimit / 4;
    GiveWayRule give_way{};  // tests shorten it to switch often
    // The start hash's factor tried before the fixed ones, when not 0. The
    // programs draw it at random each run, so that no list can be made to
    // crowd the slots of the factor a run uses.
    uint32_t start_hash_factor = 0;
};

// The options the programs use: the defaults, with a start hash factor drawn
// at random. The report never depends on it.
MatcherOptions drawn_matcher_options();

// The matcher of `patterns`, which must be prefix-free: one beginning another
// would wait at the same start as it, which the waiting names do not hold.
// Throws std::bad_alloc when memory runs out.
TagMatcher build_matcher(const Patterns& patterns, const MatcherOptions& options = {});

// The matcher of the table's names by id, prefix-free as both programs' list
// checks make them.
TagMatcher build_tag_matcher(const TagTable& table, const MatcherOptions& options = {});

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
    SkipTally tally;
    WaitingNames waiting;
};

void start_text_scan(const TagMatcher& matcher, TextScan& scan);

// Appends the names found in `chunk` from scan.pos on, in order of their starts,
// stopping early once `found` holds kFoundBatch of them. Returns true once the
// chunk is done; the next call then takes the file's next chunk.
// Hot: a change needs a benchmark run.
bool find_names(const TagMatcher& matcher, std::string_view chunk, TextScan& scan,
                std::vector<FoundName>& found);

// Hands out the matches still waiting at the end of the file.
void finish_text_scan(TextScan& scan, std::vector<FoundName>& found);
