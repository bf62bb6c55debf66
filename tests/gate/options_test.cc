// The gate's command line, parsed the GNU way.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gate/gate_options.h"

namespace {

TEST(Gate, ParsesOptionsTheGnuWay) {
    struct Case {
        std::vector<const char*> args;
        ParseOutcome outcome;
        std::vector<std::string> files;
    };
    const Case cases[] = {
        {{"-qsj3", "a", "--lis=d", "b"}, ParseOutcome::run, {"a", "b"}},
        {{"--", "-q", "-"}, ParseOutcome::run, {"-q", "-"}},
        {{"--format", "yaml", "a"}, ParseOutcome::usage_error, {}},
        {{"--strict=yes", "a"}, ParseOutcome::usage_error, {}},
        {{"-j"}, ParseOutcome::usage_error, {}},
        {{"a", "--help"}, ParseOutcome::help, {"a"}},
    };
    for (const Case& c : cases) {
        std::vector<const char*> argv{"tamberlox-gate"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        GateOptions options;
        std::string error;
        EXPECT_EQ(parse_gate_options(static_cast<int>(argv.size()), argv.data(), options, error),
                  c.outcome)
            << c.args[0];
        if (c.outcome == ParseOutcome::run) {
            EXPECT_EQ(options.files, c.files);
        }
    }
    GateOptions options;
    std::string error;
    const char* argv[] = {"g", "-qsj3", "--lis=d", "x"};
    parse_gate_options(4, argv, options, error);
    EXPECT_TRUE(options.quiet && options.strict);
    EXPECT_EQ(options.jobs, 3u);
    EXPECT_EQ(options.lists_dir, "d");
}

}  // namespace
