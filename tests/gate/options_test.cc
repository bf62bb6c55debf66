// The gate's command line, parsed the GNU way.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gate/gate_options.h"

namespace {

TEST(Gate, ParsesOptionsTheGnuWay) {
    struct Case {
        std::vector<const char*> args;
        bool usage_error;
        bool help;
        std::vector<std::string> files;
    };
    const Case cases[] = {
        {{"-qsj3", "a", "--lis=d", "b"}, false, false, {"a", "b"}},
        {{"--", "-q", "-"}, false, false, {"-q", "-"}},
        {{"--format", "yaml", "a"}, true, false, {}},
        {{"--strict=yes", "a"}, true, false, {}},
        {{"-j"}, true, false, {}},
        {{"a", "--help"}, false, true, {"a"}},
        {{"--help"}, false, true, {}},
        {{"-q"}, true, false, {}},
    };
    for (const Case& c : cases) {
        std::vector<const char*> argv{"tamberlox-gate"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        GateOptions options;
        SetupError error = parse_gate_options(static_cast<int>(argv.size()), argv.data(), options);
        EXPECT_EQ(error.kind, c.usage_error ? SetupErrorKind::usage : SetupErrorKind::none)
            << c.args[0];
        EXPECT_EQ(options.help, c.help) << c.args[0];
        if (!c.usage_error) {
            EXPECT_EQ(options.files, c.files);
        }
    }
    GateOptions options;
    const char* argv[] = {"g", "-qsj3", "--lis=d", "x"};
    parse_gate_options(4, argv, options);
    EXPECT_TRUE(options.quiet && options.strict);
    EXPECT_EQ(options.jobs, 3u);
    EXPECT_EQ(options.lists_dir, "d");
}

}  // namespace
