#include "rules/rules_branches.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Pair 0 is { }, pair 1 is ( ); branch-empty-else names the open name "{".
const std::vector<bool> kEmptyElse = {true, false, false, false};

// Runs the events of `script` through the chains: S starts a chain (Z with a
// plainly false branch), E takes its next branch (F a plainly false one), D
// ends it, a bracket is a name.
// Returns the differing pairs as "{(" flags, then the branch warnings' lines.
std::string run_chains(const std::string& script) {
    BranchChains chains;
    start_branch_chains(chains, 2, kEmptyElse);
    uint64_t line = 0;
    for (char event : script) {
        ++line;
        NamePlace place{line, 1};
        if (std::string("SZEFD").find(event) != std::string::npos) {
            BranchRole role = event == 'S' || event == 'Z' ? BranchRole::start
                              : event == 'D'               ? BranchRole::end
                                                           : BranchRole::other;
            take_branch_mark(chains, role, event == 'Z' || event == 'F', place);
            continue;
        }
        std::string brackets = "{}()";
        size_t at = brackets.find(event);
        take_branch_name(chains, static_cast<uint32_t>(at / 2), at % 2 == 1);
    }
    finish_branch_chains(chains);
    std::string text;
    for (size_t pair = 0; pair < 2; ++pair)
        text += pair < chains.differing.size() && chains.differing[pair] ? '1' : '0';
    for (const BranchWarning& warning : chains.warnings)
        text += " ~" + std::to_string(warning.place.line);
    return text;
}

struct ChainCase {
    const char* what;
    const char* script;
    const char* expected;
};

TEST(RulesBranches, ChainsOfOneBranchAgainstTheEmptyOne) {
    const ChainCase cases[] = {
        {"an open left to a later chain", "S{DS}D", "10"},
        {"an open never closed", "S{D", "10"},
        {"a close past the branch's opens", "{S}{D}", "10"},
        {"balanced inside", "S{()}D", "00"},
        {"a parenthesis too: not compared", "S{)D", "00"},
        {"a parenthesis alone: not compared", "S)D", "00"},
        {"nested, the inner one alone", "SS{DE{D", "10"},
        {"with an else, compared with it", "S{ED", "10 ~3"},
        {"an else that agrees", "S{E{D", "00"},
        {"a plainly false branch alone counts not", "Z{D", "00"},
        {"a plainly false else: not compared", "S{F{D", "00"},
        {"the else after a plainly false branch", "Z{E{D", "00"},
        {"no chain", "{}()", "00"},
    };
    for (const ChainCase& c : cases)
        EXPECT_EQ(run_chains(c.script), c.expected) << c.what;
}

}  // namespace
