#include "gate/findings.h"

#include <algorithm>
#include <cstddef>

#include "gate/escape.h"

namespace {

constexpr uint64_t kNoMatch = 0;  // a matched close is never the first occurrence

// A finding at an occurrence, kept with its place in the file for sorting.
struct PlacedFinding {
    uint64_t index;
    Finding finding;
};

// A matched close that may cross: some open of another pair, opened after its
// own open, was still unmatched when it came.
struct CrossingCandidate {
    uint64_t close_index;
    uint64_t open_rank;     // its own open, by rank among the opens
    uint64_t opens_before;  // opens before it
};

struct PairMatching {
    std::vector<uint64_t> open_index;  // by open rank: the occurrence's index
    std::vector<uint64_t> close_of;    // by open rank: 1 + index of its close, or kNoMatch
    std::vector<uint64_t> unmatched_closes;
    std::vector<CrossingCandidate> candidates;
};

std::string quoted(const std::string& name) {
    std::string out(1, '\'');
    out += printable_bytes(name);
    out += '\'';
    return out;
}

std::string quoted_name(const PairNames& names, const PairOccurrence& occurrence) {
    const std::vector<std::string>& list =
        occurrence.kind == GateTagKind::open ? *names.opn_tag : *names.cls_tag;
    return quoted(list[occurrence.pair]);
}

PairMatching match_pairs(const FileCheck& check, size_t pair_count) {
    PairMatching matching;
    std::vector<std::vector<uint64_t>> open_ranks(pair_count);
    // Every open still unmatched, by rank, with matched ones above the top one
    // dropped lazily: its top is the latest unmatched open.
    std::vector<uint64_t> unmatched_stack;
    const std::vector<PairOccurrence>& occurrences = check.occurrences;
    for (uint64_t index = 0; index < occurrences.size(); ++index) {
        const PairOccurrence& occurrence = occurrences[index];
        std::vector<uint64_t>& ranks = open_ranks[occurrence.pair];
        if (occurrence.kind == GateTagKind::open) {
            ranks.push_back(matching.open_index.size());
            unmatched_stack.push_back(matching.open_index.size());
            matching.open_index.push_back(index);
            matching.close_of.push_back(kNoMatch);
            continue;
        }
        if (ranks.empty()) {
            matching.unmatched_closes.push_back(index);
            continue;
        }
        uint64_t rank = ranks.back();
        ranks.pop_back();
        while (matching.close_of[unmatched_stack.back()] != kNoMatch)
            unmatched_stack.pop_back();
        if (unmatched_stack.back() != rank)
            matching.candidates.push_back({index, rank, matching.open_index.size()});
        matching.close_of[rank] = index + 1;
    }
    return matching;
}

// The largest close_of over ranks [from, to): a tree of argmaxes, built bottom-up.
struct MaxTree {
    const std::vector<uint64_t>* values;
    size_t size;
    std::vector<uint64_t> node;

    uint64_t better(uint64_t a, uint64_t b) const { return (*values)[a] >= (*values)[b] ? a : b; }

    explicit MaxTree(const std::vector<uint64_t>& close_of)
        : values(&close_of), size(close_of.size()), node(2 * close_of.size()) {
        for (size_t i = 0; i < size; ++i)
            node[size + i] = i;
        for (size_t i = size - 1; i > 0; --i)
            node[i] = better(node[2 * i], node[2 * i + 1]);
    }

    // Needs from < to.
    uint64_t best(size_t from, size_t to) const {
        uint64_t found = from;
        for (from += size, to += size; from < to; from /= 2, to /= 2) {
            if (from & 1)
                found = better(found, node[from++]);
            if (to & 1)
                found = better(found, node[--to]);
        }
        return found;
    }
};

void find_crossings(const FileCheck& check, const PairNames& names, const PairMatching& matching,
                    std::vector<PlacedFinding>& placed) {
    if (matching.candidates.empty())
        return;
    MaxTree tree(matching.close_of);
    for (const CrossingCandidate& candidate : matching.candidates) {
        uint64_t other = tree.best(candidate.open_rank + 1, candidate.opens_before);
        if (matching.close_of[other] <= candidate.close_index + 1)
            continue;  // every open in between was closed before, or never
        const PairOccurrence& close = check.occurrences[candidate.close_index];
        const PairOccurrence& own_open =
            check.occurrences[matching.open_index[candidate.open_rank]];
        const PairOccurrence& crossed = check.occurrences[matching.open_index[other]];
        std::string message =
            quoted_name(names, close) + " closes " + quoted_name(names, own_open) + " of line " +
            std::to_string(own_open.line) + " while " + quoted_name(names, crossed) + " of line " +
            std::to_string(crossed.line) + " is still open";
        placed.push_back({candidate.close_index, {close.line, Severity::warning, message}});
    }
}

void find_unmatched(const FileCheck& check, const PairNames& names, const PairMatching& matching,
                    std::vector<PlacedFinding>& placed) {
    Severity severity = check.judged_ok ? Severity::warning : Severity::error;
    for (uint64_t index : matching.unmatched_closes) {
        const PairOccurrence& close = check.occurrences[index];
        placed.push_back(
            {index, {close.line, severity, quoted_name(names, close) + " closes nothing"}});
    }
    for (uint64_t rank = 0; rank < matching.close_of.size(); ++rank) {
        if (matching.close_of[rank] != kNoMatch)
            continue;
        const PairOccurrence& open = check.occurrences[matching.open_index[rank]];
        placed.push_back({matching.open_index[rank],
                          {open.line, severity, quoted_name(names, open) + " is never closed"}});
    }
}

void find_count_differences(const FileCheck& check, const PairNames& names,
                            std::vector<Finding>& findings) {
    for (size_t pair = 0; pair < check.opn_num.size(); ++pair) {
        if (check.opn_num[pair] == check.cls_num[pair])
            continue;
        std::string message = "counts differ: " + quoted((*names.opn_tag)[pair]) + " " +
                              std::to_string(check.opn_num[pair]) + ", " +
                              quoted((*names.cls_tag)[pair]) + " " +
                              std::to_string(check.cls_num[pair]);
        findings.push_back({0, Severity::error, message});
    }
}

}  // namespace

std::vector<Finding> find_findings(const FileCheck& check, PairNames names, bool strict) {
    std::vector<Finding> findings;
    if (check.status != FileStatus::checked)
        return findings;
    PairMatching matching = match_pairs(check, names.opn_tag->size());
    std::vector<PlacedFinding> placed;
    find_unmatched(check, names, matching, placed);
    find_crossings(check, names, matching, placed);
    std::stable_sort(
        placed.begin(), placed.end(),
        [](const PlacedFinding& a, const PlacedFinding& b) { return a.index < b.index; });
    findings.reserve(placed.size());
    for (PlacedFinding& one : placed)
        findings.push_back(std::move(one.finding));
    find_count_differences(check, names, findings);
    if (check.occurrences.empty())
        findings.push_back({0, Severity::warning, "no listed name occurs"});
    if (strict) {
        for (Finding& finding : findings)
            finding.severity = Severity::error;
    }
    return findings;
}

bool file_fails(const FileCheck& check, const std::vector<Finding>& findings) {
    if (check.status != FileStatus::checked)
        return true;
    return std::any_of(findings.begin(), findings.end(),
                       [](const Finding& finding) { return finding.severity == Severity::error; });
}
