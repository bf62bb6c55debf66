#include "gate/findings.h"

#include <iterator>

#include "text/fatal_error.h"

namespace {

bool before(const NamePlace& a, const NamePlace& b) {
    return a.line != b.line ? a.line < b.line : a.column < b.column;
}

// A record of a spool; the run ends when the spill file cannot be read back.
template <typename T>
const T& spooled(const RecordSpool<T>& spool, uint64_t i) {
    const T* record = spool_record(spool, i);
    if (record == nullptr)
        exit_with_message(2, kGateSpillError);
    return *record;
}

// The next of each kind of finding at a name, its place UINT64_MAX when none is left.
constexpr NamePlace kNoPlace{UINT64_MAX, UINT64_MAX};

Finding next_stray_close(FindingWalk& walk) {
    const RecordSpool<CloseRecord>& closes = walk.check.matching.unmatched_closes;
    if (walk.next_close == closes.size)
        return {kNoPlace};
    const CloseRecord& close = spooled(closes, walk.next_close);
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
    const RecordSpool<PendingClose>& pending = walk.check.matching.pending.closes;
    while (walk.next_pending < pending.size && !crosses(spooled(pending, walk.next_pending)))
        ++walk.next_pending;
    if (walk.next_pending == pending.size)
        return {kNoPlace};
    const PendingClose& close = spooled(pending, walk.next_pending);
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

Finding next_broken_tag(const FindingWalk& walk) {
    const auto& broken = walk.check.broken_tags;
    if (walk.next_broken == broken.size())
        return {kNoPlace};
    const auto& [place, id] = broken[walk.next_broken];
    return {place, id, id >> 1, FindingKind::broken_tag, Severity::error};
}

Severity severity_at_name(const FindingWalk& walk, const Finding& finding) {
    const FileCheck& check = walk.check;
    FindingKind kind = finding.kind;
    bool error = kind == FindingKind::crosses           ? check.crossing_errors
                 : kind == FindingKind::broken_tag      ? true
                 : kind == FindingKind::branches_differ ? false
                                                        : !check.tally.judged_ok;
    return error && !(kind != FindingKind::broken_tag && nesting_by_branches(check, finding.pair))
               ? Severity::error
               : Severity::warning;
}

bool next_at_name(FindingWalk& walk, Finding& finding) {
    // A broken tag before the name its break byte starts.
    finding = next_broken_tag(walk);
    for (const Finding& other : {next_stray_close(walk), next_unclosed_open(walk),
                                 next_crossing(walk), next_branch_warning(walk)}) {
        if (before(other.place, finding.place))
            finding = other;
    }
    if (finding.place.line == UINT64_MAX)
        return false;
    walk.next_close += finding.kind == FindingKind::closes_nothing;
    walk.next_open += finding.kind == FindingKind::never_closed;
    walk.next_pending += finding.kind == FindingKind::crosses;
    walk.next_broken += finding.kind == FindingKind::broken_tag;
    finding.severity = severity_at_name(walk, finding);
    walk.next_branch += finding.kind == FindingKind::branches_differ;
    return true;
}

// The pair's names left unmatched, each a finding of its own, against the
// difference of its counts.
bool counts_explained(const FileCheck& check, uint32_t pair) {
    uint64_t opens = 0;
    const PlaceRuns& runs = check.matching.unmatched_opens[pair];
    for (uint64_t i = 0; i < runs.size; ++i)
        opens += block_stack_item(runs, i).count;
    uint64_t closes = check.matching.stray_closes_by_pair[pair];
    return check.tally.opn_num[pair] + closes == check.tally.cls_num[pair] + opens;
}

bool next_about_file(FindingWalk& walk, Finding& finding) {
    const NameTally& tally = walk.check.tally;
    while (walk.next_pair < tally.opn_num.size()) {
        uint32_t pair = walk.next_pair++;
        if (!counts_explained(walk.check, pair)) {
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
    return walk.check.matching.count == 0 && !walk.check.switched_off;
}

// Where the text ends inside a region: after every name, which all come before
// the region's start.
bool next_at_end(FindingWalk& walk, Finding& finding) {
    if (!walk.check.ended_in_region || walk.region_done)
        return false;
    walk.region_done = true;
    finding = {walk.check.region_place, 0, 0, FindingKind::ends_in_region, Severity::error};
    return true;
}

}  // namespace

bool next_finding(FindingWalk& walk, Finding& finding) {
    if (walk.check.status != FileStatus::checked)
        return false;
    if (!next_about_file(walk, finding) && !next_at_name(walk, finding) &&
        !next_at_end(walk, finding))
        return false;
    if (walk.strict)
        finding.severity = Severity::error;
    return true;
}

FindingNotes notes_of(const FileCheck& check, const Finding& finding) {
    FindingNotes notes;
    if (finding.kind != FindingKind::never_closed)
        return notes;
    uint64_t index = block_stack_item(check.matching.opens, finding.record).note;
    if (index != 0) {
        const NoteRecord& close = spooled(check.matching.notes, index - 1);
        notes.notes[notes.count++] = {close.place, close.pair, NoteKind::enclosing_close};
    }
    return notes;
}

const PendingClose& crossing_of(const FileCheck& check, const Finding& finding) {
    return spooled(check.matching.pending.closes, finding.record);
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
