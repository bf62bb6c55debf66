// The gate against the plain reference: on random lists and files it fails a
// file exactly when the checker says "Errors may exist.", and its findings are
// those of a plain per-pair matcher over the names the plain search finds.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "check_support.h"
#include "gate/findings.h"
#include "gate/gate_engine.h"
#include "reference_check.h"

namespace {

using Names = std::vector<std::string>;
using Lines = std::vector<uint64_t>;

// The lines of the unmatched names and of the closes whose span crosses a
// later-closed span of another pair, found by brute force.
struct Expected {
    Lines unmatched;
    Lines crossing;
};

Expected plain_pair_matching(const std::vector<FoundName>& found, size_t pairs) {
    Expected expected;
    PlainPairs plain = plain_pairs(found, pairs);
    for (size_t i : plain.unmatched_closes)
        expected.unmatched.push_back(found[i].line);
    for (size_t i : plain.unmatched_opens)
        expected.unmatched.push_back(found[i].line);
    for (auto span : plain.spans) {
        if (crosses_a_later_span(plain, span))
            expected.crossing.push_back(found[span.second].line);
    }
    return expected;
}

std::vector<Finding> all_findings(const FileCheck& check, bool strict) {
    std::vector<Finding> findings;
    FindingWalk walk{check, strict};
    for (Finding finding; next_finding(walk, finding);)
        findings.push_back(finding);
    return findings;
}

bool has_suffix(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// The shared level never below 0 and back to 0 at the end, each pair closed as
// often as opened but in a shuffled order: the checker judges it OK while the
// pairs may cross or close before they open.
std::string random_balanced_file(std::mt19937_64& random, const Names& opn_tag,
                                 const Names& cls_tag, size_t most_opens) {
    std::vector<size_t> opens(random_below(random, most_opens));
    for (size_t& pair : opens)
        pair = random_below(random, opn_tag.size());
    std::vector<size_t> closes = opens;
    std::shuffle(closes.begin(), closes.end(), random);
    std::string bytes;
    for (size_t next_open = 0, next_close = 0; next_close < closes.size();) {
        if (next_close < next_open && (next_open == opens.size() || random_below(random, 2)))
            bytes += cls_tag[closes[next_close++]];
        else
            bytes += opn_tag[opens[next_open++]];
        bytes += random_below(random, 3) == 0 ? "\n" : " ";
    }
    return bytes;
}

TEST(Gate, FailsExactlyWhenTheCheckerSaysErrorsAndFindsEveryUnmatchedName) {
    std::mt19937_64 random(77);
    const NameStyle style{"{}<ab(", std::string("ab/>)\0", 6), 4};
    ScratchFile file;
    FileReader reader;
    for (int round = 0; round < 400; ++round) {
        Names opn_tag, cls_tag;
        random_tag_pairs(random, style, opn_tag, cls_tag);
        Names names = opn_tag;
        names.insert(names.end(), cls_tag.begin(), cls_tag.end());
        std::string bytes =
            round % 2 ? random_checked_file(random, names)
                      : random_balanced_file(random, opn_tag, cls_tag, round % 40 ? 10 : 600);
        fill_scratch_file(file, bytes);
        GateEngine engine;
        engine.table = make_tag_table(opn_tag, cls_tag);
        engine.matcher = build_tag_matcher(engine.table);
        FileCheck check = check_one_file(engine, file.path, reader);
        std::vector<Finding> findings = all_findings(check, false);

        bool errors = has_suffix(reference_report(opn_tag, cls_tag, reference_lines(bytes)),
                                 "Errors may exist.\n");
        SCOPED_TRACE("round " + std::to_string(round));
        ASSERT_EQ(check.tally.judged_ok, !errors);
        ASSERT_EQ(file_fails(check, false), errors);
        ASSERT_EQ(file_fails(check, true), errors || !findings.empty());

        // The plain search stops at the end-of-file byte as the checker does.
        std::string text = bytes.substr(0, bytes.find('\x1a'));
        Expected expected = plain_pair_matching(naive_names(engine.table, text), opn_tag.size());
        Lines unmatched, crossing;
        for (const Finding& finding : findings) {
            bool closes_across = finding.kind == FindingKind::crosses;
            if (finding.place.line != 0)
                (closes_across ? crossing : unmatched).push_back(finding.place.line);
            if (finding.place.line != 0 && !closes_across) {
                ASSERT_EQ(finding.severity, errors ? Severity::error : Severity::warning);
            }
        }
        std::sort(expected.unmatched.begin(), expected.unmatched.end());
        ASSERT_EQ(unmatched, expected.unmatched);
        ASSERT_EQ(crossing, expected.crossing);
    }
}

}  // namespace
