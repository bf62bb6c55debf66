#include "gate/findings.h"

#include <algorithm>
#include <cstddef>

#include "gate/escape.h"

namespace {

// A finding at a name, kept with the name's place in the file for sorting.
struct PlacedFinding {
    uint64_t index;
    Finding finding;
};

std::string quoted(const std::string& name) {
    std::string out(1, '\'');
    out += printable_bytes(name);
    out += '\'';
    return out;
}

std::string opn_name(const PairNames& names, uint32_t pair) {
    return quoted((*names.opn_tag)[pair]);
}
std::string cls_name(const PairNames& names, uint32_t pair) {
    return quoted((*names.cls_tag)[pair]);
}

// The open with the latest close over the ranks [from, to): a tree of them,
// built bottom-up over the ranks [first, first + size).
struct LatestCloseTree {
    const OpenRecords& opens;
    uint64_t first;
    size_t size;
    std::vector<uint64_t> node;

    uint64_t later(uint64_t a, uint64_t b) const {
        return opens[a].close_of >= opens[b].close_of ? a : b;
    }

    LatestCloseTree(const OpenRecords& records, uint64_t from, uint64_t to)
        : opens(records), first(from), size(to - from), node(2 * size) {
        for (size_t i = 0; i < size; ++i)
            node[size + i] = first + i;
        for (size_t i = size - 1; i > 0; --i)
            node[i] = later(node[2 * i], node[2 * i + 1]);
    }

    // Needs from < to.
    uint64_t latest(uint64_t from, uint64_t to) const {
        uint64_t found = from;
        for (from += size - first, to += size - first; from < to; from /= 2, to /= 2) {
            if (from & 1)
                found = later(found, node[from++]);
            if (to & 1)
                found = later(found, node[--to]);
        }
        return found;
    }
};

void find_crossings(const PairMatching& matching, const PairNames& names,
                    std::vector<PlacedFinding>& placed) {
    if (matching.candidates.empty())
        return;
    uint64_t from = UINT64_MAX, to = 0;
    for (const CloseRecord& candidate : matching.candidates) {
        from = std::min(from, candidate.open_rank);
        to = std::max(to, candidate.opens_before);
    }
    LatestCloseTree tree(matching.opens, from, to);
    for (const CloseRecord& close : matching.candidates) {
        const OpenRecord& other =
            matching.opens[tree.latest(close.open_rank + 1, close.opens_before)];
        if (other.close_of <= close.index + 1)
            continue;  // every open in between was closed before, or never
        const OpenRecord& own = matching.opens[close.open_rank];
        std::string message = cls_name(names, close.pair) + " closes " + opn_name(names, own.pair) +
                              " of line " + std::to_string(own.line) + " while " +
                              opn_name(names, other.pair) + " of line " +
                              std::to_string(other.line) + " is still open";
        placed.push_back({close.index, {close.line, Severity::warning, message}});
    }
}

void find_unmatched(const FileCheck& check, const PairNames& names,
                    std::vector<PlacedFinding>& placed) {
    Severity severity = check.judged_ok ? Severity::warning : Severity::error;
    for (const CloseRecord& close : check.matching.unmatched_closes) {
        placed.push_back(
            {close.index, {close.line, severity, cls_name(names, close.pair) + " closes nothing"}});
    }
    for (const std::vector<uint64_t>& ranks : check.matching.open_ranks) {
        for (uint64_t rank : ranks) {
            const OpenRecord& open = check.matching.opens[rank];
            placed.push_back(
                {open.index,
                 {open.line, severity, opn_name(names, open.pair) + " is never closed"}});
        }
    }
}

void find_count_differences(const FileCheck& check, const PairNames& names,
                            std::vector<Finding>& findings) {
    for (uint32_t pair = 0; pair < check.opn_num.size(); ++pair) {
        if (check.opn_num[pair] == check.cls_num[pair])
            continue;
        std::string message = "counts differ: " + opn_name(names, pair) + " " +
                              std::to_string(check.opn_num[pair]) + ", " + cls_name(names, pair) +
                              " " + std::to_string(check.cls_num[pair]);
        findings.push_back({0, Severity::error, message});
    }
}

}  // namespace

std::vector<Finding> find_findings(const FileCheck& check, PairNames names, bool strict) {
    std::vector<Finding> findings;
    if (check.status != FileStatus::checked)
        return findings;
    std::vector<PlacedFinding> placed;
    find_unmatched(check, names, placed);
    find_crossings(check.matching, names, placed);
    std::sort(placed.begin(), placed.end(),
              [](const PlacedFinding& a, const PlacedFinding& b) { return a.index < b.index; });
    findings.reserve(placed.size());
    for (PlacedFinding& one : placed)
        findings.push_back(std::move(one.finding));
    find_count_differences(check, names, findings);
    if (check.matching.count == 0)
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
