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

void find_crossings(const PairMatching& matching, const PairNames& names,
                    std::vector<PlacedFinding>& placed) {
    for (const PendingClose& pending : matching.pending.closes) {
        if (!pending.crosses)
            continue;
        const CloseRecord& close = pending.close;
        std::string message =
            cls_name(names, close.pair) + " closes " + opn_name(names, close.pair) + " of line " +
            std::to_string(pending.open_line) + " while " + opn_name(names, pending.crossed_pair) +
            " of line " + std::to_string(pending.crossed_line) + " is still open";
        placed.push_back({close.index, {close.line, Severity::warning, message}});
    }
}

void find_unmatched(const FileCheck& check, const PairNames& names,
                    std::vector<PlacedFinding>& placed) {
    Severity severity = check.tally.judged_ok ? Severity::warning : Severity::error;
    for (const CloseRecord& close : check.matching.unmatched_closes) {
        placed.push_back(
            {close.index, {close.line, severity, cls_name(names, close.pair) + " closes nothing"}});
    }
    const std::vector<std::vector<OpenEntry>>& opens = check.matching.unmatched_opens;
    for (uint32_t pair = 0; pair < opens.size(); ++pair) {
        for (const OpenEntry& open : opens[pair]) {
            placed.push_back(
                {open.index, {open.line, severity, opn_name(names, pair) + " is never closed"}});
        }
    }
}

void find_count_differences(const FileCheck& check, const PairNames& names,
                            std::vector<Finding>& findings) {
    for (uint32_t pair = 0; pair < check.tally.opn_num.size(); ++pair) {
        if (check.tally.opn_num[pair] == check.tally.cls_num[pair])
            continue;
        std::string message = "counts differ: " + opn_name(names, pair) + " " +
                              std::to_string(check.tally.opn_num[pair]) + ", " +
                              cls_name(names, pair) + " " +
                              std::to_string(check.tally.cls_num[pair]);
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
    if (check.ended_in_region)
        findings.push_back({check.region_line, Severity::error,
                            "the text ends inside the region or tag that starts here"});
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
