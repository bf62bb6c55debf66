// Where an option's value comes from, and long options that name no single
// option, as the gate's command line reads them.

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "gate/gate_options.h"

namespace {

struct Parsed {
    SetupError error;
    GateOptions options;
};

Parsed parse(std::vector<const char*> args) {
    args.insert(args.begin(), "tamberlox-gate");
    Parsed parsed;
    parsed.error = parse_gate_options(static_cast<int>(args.size()), args.data(), parsed.options);
    return parsed;
}

struct ValueCase {
    std::vector<const char*> args;
    OutputFormat format;
    size_t jobs;
    std::string lists_dir;
    std::vector<std::string> files;
};

TEST(GateOptionValues, ValuesInTheSameOrTheNextArgument) {
    const ValueCase cases[] = {
        {{"-f", "json", "a"}, OutputFormat::json, 0, "", {"a"}},
        {{"-fjson", "a"}, OutputFormat::json, 0, "", {"a"}},
        {{"-j", "3", "a"}, OutputFormat::gnu, 3, "", {"a"}},
        {{"-j3", "a"}, OutputFormat::gnu, 3, "", {"a"}},
        {{"a", "-l", "conf", "b"}, OutputFormat::gnu, 0, "conf", {"a", "b"}},
        {{"-sj", "2", "-f", "github", "a"}, OutputFormat::github, 2, "", {"a"}},
        {{"--format", "json", "--jobs", "4", "a"}, OutputFormat::json, 4, "", {"a"}},
        {{"--form=github", "--jo", "5", "--lis=d", "a"}, OutputFormat::github, 5, "d", {"a"}},
        // A value that looks like an option or a file is still the value.
        {{"-l", "-q", "a"}, OutputFormat::gnu, 0, "-q", {"a"}},
        {{"--lists", "--", "a"}, OutputFormat::gnu, 0, "--", {"a"}},
    };
    for (const ValueCase& c : cases) {
        Parsed parsed = parse(c.args);
        std::string what = c.args[0] + std::string(" ") + c.args[1];
        ASSERT_FALSE(failed(parsed.error)) << what << ": " << parsed.error.usage;
        EXPECT_EQ(parsed.options.format, c.format) << what;
        EXPECT_EQ(parsed.options.jobs, c.jobs) << what;
        EXPECT_EQ(parsed.options.lists_dir, c.lists_dir) << what;
        EXPECT_EQ(parsed.options.files, c.files) << what;
    }
}

TEST(GateOptionValues, ColumnUnitsByName) {
    const std::pair<std::vector<const char*>, ColumnUnit> cases[] = {
        {{"a"}, ColumnUnit::display},
        {{"--column-unit=char", "a"}, ColumnUnit::character},
        {{"--column-unit", "byte", "a"}, ColumnUnit::byte},
        {{"--col=display", "a"}, ColumnUnit::display},
    };
    for (const auto& [args, unit] : cases) {
        Parsed parsed = parse(args);
        ASSERT_FALSE(failed(parsed.error)) << args[0] << ": " << parsed.error.usage;
        EXPECT_EQ(parsed.options.column_unit, unit) << args[0];
    }
    for (const char* bad : {"--column-unit=bytes", "--column-unit=Display", "--column-unit="}) {
        Parsed parsed = parse({bad, "a"});
        EXPECT_EQ(parsed.error.kind, SetupErrorKind::usage) << bad;
    }
}

// An empty long name abbreviates every option: it is ambiguous, never the
// first option listed.
TEST(GateOptionValues, AmbiguousLongOptionsAreUsageErrors) {
    const std::vector<const char*> cases[] = {
        {"--=x", "a"},
        {"--=", "a"},
        {"a", "--=json"},
    };
    for (const std::vector<const char*>& args : cases) {
        Parsed parsed = parse(args);
        EXPECT_EQ(parsed.error.kind, SetupErrorKind::usage) << args[0];
        EXPECT_NE(parsed.error.usage.find("ambiguous"), std::string::npos)
            << args[0] << ": " << parsed.error.usage;
    }
}

}  // namespace
