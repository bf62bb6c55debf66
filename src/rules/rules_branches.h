#pragma once

// Conditional branches: chains of START, OTHER... and END marks, nested, such
// as C's "#if", "#else", "#endif". The names of a chain's counting branch, the
// first one that is not plainly false, count as if the other branches were
// absent; each other branch is matched on its own from the nesting where the
// chain began, and one that ends in another nesting than the counting branch
// is a warning at the branch's mark that names the counting branch's line.
//
// A branch's result is what its names do to the opens where the chain began:
// how many of its closes of each pair reach past its own opens, and the opens
// it leaves unmatched, in order. Two branches end at the same nesting exactly
// when their results agree. So the gate never saves the pair matching's state:
// it keeps each branch's result as the names come, from the innermost chain's
// branch outwards, and adds a chain's counting result to the branch around it
// at the chain's END (the reference saves its nesting at the chain's start,
// matches each branch from nothing, and matches the counting branch's result
// on after the saved nesting at END).
//
// A mark is its bytes, a blank in it standing for a run of up to kBranchBlanks
// spaces and tabs, none included ("# if" matches "#if" and "#  if"), and it
// ends where the next byte is no word byte. A line-start mark counts only
// where no more than kBranchBlanks blanks stand before it on its line. A
// plainly false mark stands where a START or OTHER mark does and makes its
// branch plainly false ("# if 0"). Marks are tried before region starts and
// names; inside a region or a tag they are text. An OTHER or END mark with no
// chain open is passed over; a chain still open at the end of the text ends
// there, its branch uncompared. Chains nested deeper than kBranchDepth still
// count only their counting branches, but are not compared.
//
// A chain of one branch, no OTHER mark in it, whose counting branch's result
// holds pairs of the "branch-empty-else" names alone and is not empty, differs
// from the empty branch it leaves out in those pairs: they are noted as
// differing ("#ifdef __cplusplus" / "extern "C" {" / "#endif"), with no
// warning of its own, so a header whose two such chains pair up is quiet.

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "rules/case_fold.h"
#include "rules/rules_text.h"
#include "scan/pair_matching.h"

constexpr size_t kBranchBlanks = 64;
constexpr size_t kBranchDepth = 64;

enum class BranchRole : uint8_t { start, other, end, plainly_false };

struct BranchMark {
    std::string text;  // folded under ignore-case
    BranchRole role = BranchRole::start;
    bool line_start = false;
};

// A branch that ends at another nesting than its chain's counting branch.
struct BranchWarning {
    NamePlace place;      // of the branch's mark
    uint64_t first_line;  // of the counting branch's mark
};

// The rule's keyword ("branch-start", "branch-else", "branch-end",
// "branch-false") and its arguments: its marks, after an optional "line-start"
// (not for "branch-false"). False when `keyword` is no branch rule; `bad` when
// its arguments are wrong.
bool add_branch_rule(const std::vector<std::string>& words, std::vector<BranchMark>& marks,
                     bool& bad);

// The bytes before a mark's first blank: what the matcher finds.
std::string_view branch_mark_prefix(const BranchMark& mark);

// The most bytes after its place a decision on the mark looks at.
size_t branch_mark_reach(const BranchMark& mark);

// The length of `mark` at `pos`, 0 where it does not stand there; the bytes
// from kBranchBlanks + 1 before `pos` to its reach after are at hand.
uint64_t branch_mark_length(const RulesText& text, TextCase text_case, uint64_t pos,
                            const BranchMark& mark);

// The two bytes a mark holds after its prefix and the blank run after that, -1
// where it holds none there (or a second blank run): most places a prefix
// stands at are ruled out by these two bytes alone.
struct BranchKey {
    int first = -1;
    int second = -1;
};

BranchKey branch_mark_key(const BranchMark& mark);

// The text's two bytes after `prefix` bytes and up to kBranchBlanks blanks.
BranchKey branch_text_key(const RulesText& text, TextCase text_case, uint64_t pos, size_t prefix);

inline bool key_may_match(const BranchKey& mark, const BranchKey& text) {
    return (mark.first < 0 || mark.first == text.first) &&
           (mark.second < 0 || mark.second == text.second);
}

// One branch's result (see above), by pair.
constexpr uint32_t kMatchedOpen = UINT32_MAX;

struct BranchResult {
    std::vector<uint32_t> opens;                 // pairs in order; kMatchedOpen once matched
    std::vector<std::vector<uint64_t>> by_pair;  // by pair: its unmatched opens' places in `opens`
    std::vector<uint64_t> closes_before;         // by pair: closes past the branch's own opens
    std::vector<uint32_t> touched;               // the pairs either of those holds
    std::vector<uint8_t> is_touched;             // by pair
};

struct BranchLevel {
    bool found_counting = false;  // the counting branch has begun
    bool counting = false;        // the branch under way is it
    bool plainly_false = false;   // the branch under way
    NamePlace place{0, 0};        // of the branch under way's mark
    uint64_t first_line = 0;      // of the counting branch's mark
    bool has_other = false;       // an OTHER mark has come
};

// The chains open in a text.
struct BranchChains {
    size_t pairs = 0;
    std::vector<BranchLevel> levels;
    std::vector<BranchResult> under_way;  // by level up to kBranchDepth: of its branch under way
    std::vector<BranchResult> counted;    // by level: of its counting branch, once ended
    size_t uncounted = 0;                 // levels whose branch under way does not count
    size_t uncounted_deep = 0;            // those nested deeper than kBranchDepth
    std::vector<BranchWarning> warnings;  // in the order the branches end
    std::vector<uint8_t> differing;  // by pair: whether it nests apart in some warning's branches
    const std::vector<bool>* empty_else = nullptr;  // by name id: TagRules::empty_else
};

void start_branch_chains(BranchChains& chains, size_t pairs, const std::vector<bool>& empty_else);

// A mark found at `place`: starts, goes on with or ends the innermost chain.
void take_branch_mark(BranchChains& chains, BranchRole role, bool plainly_false, NamePlace place);

// The warnings in order of their places.
void finish_branch_chains(BranchChains& chains);

void add_to_result(BranchResult& result, size_t pairs, uint32_t pair, bool is_close);

// A name the rules keep: whether it counts (no open chain is in a branch that
// does not). Hot: a change needs a benchmark run.
inline bool take_branch_name(BranchChains& chains, uint32_t pair, bool is_close) {
    size_t depth = chains.levels.size();
    if (depth == 0)
        return true;
    if (depth <= kBranchDepth || chains.uncounted_deep == 0)
        add_to_result(chains.under_way[std::min(depth, kBranchDepth) - 1], chains.pairs, pair,
                      is_close);
    return chains.uncounted == 0;
}
