#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "cli/run.h"

namespace {

struct CapturedRun {
    int status = -1;
    std::string stdout_bytes;
};

std::string read_whole(int fd) {
    std::string bytes;
    char buffer[4096];
    ssize_t got;
    ::lseek(fd, 0, SEEK_SET);
    while ((got = ::read(fd, buffer, sizeof buffer)) > 0) {
        bytes.append(buffer, static_cast<size_t>(got));
    }
    return bytes;
}

// Runs the checker in this process with standard output sent to a temporary file.
CapturedRun run_capturing_stdout(int argc, const char* const* argv) {
    char path[] = "/tmp/tamberlox_usage_XXXXXX";
    int file = ::mkstemp(path);
    EXPECT_GE(file, 0);
    std::fflush(stdout);
    int saved_stdout = ::dup(STDOUT_FILENO);
    ::dup2(file, STDOUT_FILENO);
    CapturedRun run;
    run.status = run_checker(argc, argv);
    ::dup2(saved_stdout, STDOUT_FILENO);
    ::close(saved_stdout);
    run.stdout_bytes = read_whole(file);
    ::close(file);
    ::unlink(path);
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
