#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "check_support.h"
#include "cli/run.h"

namespace {

struct CapturedRun {
    int status = -1;
    std::string stdout_bytes;
};

// Runs the checker in this process with standard output sent to a scratch file.
CapturedRun run_capturing_stdout(int argc, const char* const* argv) {
    ScratchFile file;
    std::fflush(stdout);
    int saved_stdout = ::dup(STDOUT_FILENO);
    ::dup2(file.fd, STDOUT_FILENO);
    CapturedRun run;
    run.status = run_checker(argc, argv);
    ::dup2(saved_stdout, STDOUT_FILENO);
    ::close(saved_stdout);
    run.stdout_bytes = scratch_file_bytes(file);
    return run;
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);)
        lines.push_back(line);
    return lines;
}

// An argument list without argument 0 cannot come from a command line.
TEST(Usage, WithoutArgumentZeroNamesTheCheckerTamberlox) {
    const char* const argv[] = {nullptr};
    CapturedRun run = run_capturing_stdout(0, argv);
    EXPECT_EQ(run.status, 0);
    std::vector<std::string> lines = lines_of(run.stdout_bytes);
    ASSERT_EQ(lines.size(), 21u);
    EXPECT_EQ(lines[0], "USAGE :");
    EXPECT_EQ(lines[1], "\ttamberlox FILENAME");
}

}  // namespace
