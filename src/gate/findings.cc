#include "gate/findings.h"

#include <iterator>

namespace {

bool before(const NamePlace& a, const NamePlace& b) {
    return a.line != b.line ? a.line < b.line : a.column < b.column;
}

// The next of each kind of finding at a name, its place UINT64_MAX when none is left.
constexpr NamePlace kNoPlace{UINT64_MAX, UINT64_MAX};

Finding next_stray_close(const FindingWalk& walk) {
    const BlockStack<CloseRecord>& closes = walk.check.matching.unmatched_closes;
    if (walk.next_close == closes.size)
        return {kNoPlace};
    const CloseRecord& close = block_stack_item(closes, walk.next_close);
    return {close.place, walk.next_close, close.pair, FindingKind::closes_nothing};
}

Finding next_unclosed_open(FindingWalk& walk) {
    const BlockStack<OpenEntry>& opens = walk.check.matching.opens;
    while (walk.next_open < opens.size && block_stack_item(opens, walk.next_open).matched)
        ++walk.next_open;
    if (walk.next_open == opens.size)
        return {kNoPlace};
    const OpenEntry& open = block_stack_item(opens, walk.next_open);
    return {open.place, walk.next_open, open.pair, FindingKind::never_closed};
}

Finding next_crossing(FindingWalk& walk) {
    const BlockStack<PendingClose>& pending = walk.check.matching.pending.closes;
    while (walk.next_pending < pending.size &&
           !crosses(block_stack_item(pending, walk.next_pending)))
        ++walk.next_pending;
    if (walk.next_pending == pending.size)
        return {kNoPlace};
    const PendingClose& close = block_stack_item(pending, walk.next_pending);
    return {close.place, walk.next_pending, close.pair, FindingKind::crosses};
}

// Where branches end at different nestings, which of them the preprocessor
// takes decides the nesting of the pairs they differ in: what of those is
// unmatched is a warning.
bool nesting_by_branches(const FileCheck& check, uint32_t pair) {
    return pair < check.pairs_by_branches.size() && check.pairs_by_branches[pair] != 0;
}

Finding next_branch_warning(const FindingWalk& walk) {
    const std::vector<BranchWarning>& warnings = walk.check.branch_warnings;
    if (walk.next_branch == warnings.size())
        return {kNoPlace};
    return {warnings[walk.next_branch].place, walk.next_branch, 0, FindingKind::branches_differ};
}

bool next_at_name(FindingWalk& walk, Finding& finding) {
    Finding stray = next_stray_close(walk);
    Finding unclosed = next_unclosed_open(walk);
    Finding crossing = next_crossing(walk);
    Finding branch = next_branch_warning(walk);
    finding = stray;
    if (before(unclosed.place, finding.place))
        finding = unclosed;
    if (before(crossing.place, finding.place))
        finding = crossing;
    if (before(branch.place, finding.place))
        finding = branch;
    if (finding.place.line == UINT64_MAX)
        return false;
    walk.next_close += finding.kind == FindingKind::closes_nothing;
    walk.next_open += finding.kind == FindingKind::never_closed;
    walk.next_pending += finding.kind == FindingKind::crosses;
    walk.next_branch += finding.kind == FindingKind::branches_differ;
    bool unmatched =
        finding.kind != FindingKind::crosses && finding.kind != FindingKind::branches_differ;
    finding.severity =
        unmatched && !walk.check.tally.judged_ok && !nesting_by_branches(walk.check, finding.pair)
            ? Severity::error
            : Severity::warning;
    return true;
}

bool next_about_file(FindingWalk& walk, Finding& finding) {
    if (walk.check.ended_in_region && !walk.region_done) {
        walk.region_done = true;
        finding = {walk.check.region_place, 0, 0, FindingKind::ends_in_region, Severity::error};
        return true;
    }
    const NameTally& tally = walk.check.tally;
    while (walk.next_pair < tally.opn_num.size()) {
        uint32_t pair = walk.next_pair++;
        if (tally.opn_num[pair] != tally.cls_num[pair]) {
            finding = {{0, 0},
                       0,
                       pair,
                       FindingKind::counts_differ,
                       nesting_by_branches(walk.check, pair) ? Severity::warning : Severity::error};
            return true;
        }
    }
    if (walk.whole_file_done)
        return false;
    walk.whole_file_done = true;
    finding = {{0, 0}, 0, 0, FindingKind::no_name, Severity::warning};
    return walk.check.matching.count == 0;
}

}  // namespace

bool next_finding(FindingWalk& walk, Finding& finding) {
    if (walk.check.status != FileStatus::checked)
        return false;
    if (!next_at_name(walk, finding) && !next_about_file(walk, finding))
        return false;
    if (walk.strict)
        finding.severity = Severity::error;
    return true;
}

bool note_of(const FileCheck& check, const Finding& finding, NoteRecord& note) {
    if (finding.kind != FindingKind::never_closed)
        return false;
    uint64_t index = block_stack_item(check.matching.opens, finding.record).note;
    if (index == 0)
        return false;
    note = block_stack_item(check.matching.notes, index - 1);
    return true;
}

namespace {

constexpr bool ids_in_kind_order() {
    for (size_t i = 0; i < std::size(kFindingKinds); ++i) {
        if (static_cast<size_t>(kFindingKinds[i].kind) != i)
            return false;
    }
    return static_cast<size_t>(FindingKind::branches_differ) + 1 == std::size(kFindingKinds);
}

}  // namespace
static_assert(ids_in_kind_order(), "every kind of finding has its id, in the kinds' order");

const char* finding_id(FindingKind kind) {
    return kFindingKinds[static_cast<size_t>(kind)].id;
}

bool file_fails(const FileCheck& check, bool strict) {
    if (check.status != FileStatus::checked)
        return true;
    FindingWalk walk{check, strict};
    Finding finding;
    while (next_finding(walk, finding)) {
        if (finding.severity == Severity::error)
            return true;
    }
    return false;
}
