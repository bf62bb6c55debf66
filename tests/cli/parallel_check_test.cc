// The check on several threads against the check on one thread, byte for byte,
// with ranges, reads and output blocks small enough that small files cross
// every edge.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "check_support.h"
#include "cli/parallel_check.h"

namespace {

using Names = std::vector<std::string>;

const Names kOpnTag{"{", "[[", "<ab>"};
const Names kClsTag{"}", "]]", "</ab>"};

// threads, range_bytes, read_bytes, output_block_bytes, output_blocks. A block
// under 16 times the longest line makes the report go out on one thread;
// read buffers as large as blocks become blocks.
const ParallelPlan kPlans[] = {
    {2, 1, 1, 4096, 2},
    {3, 2, 3, 4096, 2},
    {3, 7, 5, 8192, 3},
    {4, 64, 64, 512, 2},
    {2, 1000, 7, 1 << 16, 2},
    {5, 100000, 4096, 1 << 16, 4},
    {2, 1 << 20, 4096, 1 << 16, 2},
    {3, 50, 4096, 4096, 2},
};

void expect_same_reports(const std::string& bytes, const std::string& what) {
    ScratchFile file;
    fill_scratch_file(file, bytes);
    std::string one_thread = check_in_process(kOpnTag, kClsTag, file.path);
    for (const ParallelPlan& plan : kPlans) {
        std::string parallel = check_in_parallel_in_process(kOpnTag, kClsTag, file.path, plan);
        auto differ =
            std::mismatch(parallel.begin(), parallel.end(), one_thread.begin(), one_thread.end());
        ASSERT_TRUE(parallel == one_thread)
            << "from byte " << differ.first - parallel.begin() << ": "
            << parallel.substr(differ.first - parallel.begin(), 80) << "\n"
            << one_thread.substr(differ.second - one_thread.begin(), 80) << "\n"
            << what << ", " << plan.threads << " threads, ranges of " << plan.range_bytes
            << ", reads of " << plan.read_bytes;
    }
}

struct FileCase {
    const char* what;
    std::string bytes;
};

TEST(ParallelCheck, ChosenFilesGiveTheOneThreadReport) {
    const std::string lines = repeat_text("a <ab>b</ab> [[c]]\n", 30);
    const FileCase cases[] = {
        {"empty file", ""},
        {"no line end", "{ [[ ]]"},
        {"names cut by reads", lines},
        {"a 0x1A in a middle range", lines + "{ [\x1a[ }\n" + lines},
        {"a 0x1A at a line start", lines + "\x1a" + lines},
        {"a CR before each line end", repeat_text("{\r}\n<ab>\r\n", 40)},
        {"a CR cutting names", repeat_text("{}<a\rb></ab>\n", 40)},
        {"closes at level 0 in later ranges", lines + "}\n}}\n{\n" + lines + "]]\n"},
        {"levels crossing range edges", repeat_text("{\n", 80) + repeat_text("}\n", 79)},
        {"one line longer than many ranges", repeat_text("{}", 500) + "\n}\n"},
        {"empty lines", repeat_text("\n", 50) + "{\n\n\n}\n"},
        {"many occurrences to a range", repeat_text(repeat_text("{}", 100) + "\n", 600)},
    };
    for (const FileCase& c : cases) {
        expect_same_reports(c.bytes, c.what);
        if (HasFatalFailure())
            return;
    }
}

TEST(ParallelCheck, RandomFilesGiveTheOneThreadReport) {
    std::mt19937_64 random(99);
    const char* pieces[] = {"{", "}", "[[", "]]", "<ab>", "</ab>", "[", "<a", "x", "\r", "\n"};
    for (int round = 0; round < 100; ++round) {
        std::string bytes;
        size_t length = random_below(random, 300);
        while (bytes.size() < length)
            bytes += pieces[random_below(random, std::size(pieces))];
        if (random_below(random, 5) == 0)
            bytes.insert(random_below(random, bytes.size() + 1), 1, '\x1a');
        expect_same_reports(bytes, "round " + std::to_string(round));
        if (HasFatalFailure())
            return;
    }
}

// A read error fails the check only where reading on one thread would meet it:
// not behind the file's first 0x1A.
TEST(ParallelCheck, ReadErrorsBeforeTheEndOfTheText) {
    const std::string lines = repeat_text("a <ab>b</ab> [[c]]\n", 40);
    const std::string bytes = lines + "{\x1a}\n" + lines + lines;
    ScratchFile file;
    fill_scratch_file(file, bytes);
    std::string one_thread = check_in_process(kOpnTag, kClsTag, file.path);
    for (ParallelPlan plan : kPlans) {
        plan.read_bytes = std::min<size_t>(plan.read_bytes, 64);
        plan.unreadable_from = lines.size() + 100;
        EXPECT_EQ(check_in_parallel_in_process(kOpnTag, kClsTag, file.path, plan), one_thread)
            << plan.range_bytes;
        plan.unreadable_from = lines.size() - 100;
        EXPECT_THROW(check_in_parallel_in_process(kOpnTag, kClsTag, file.path, plan),
                     std::runtime_error)
            << plan.range_bytes;
    }
}

TEST(ParallelCheck, ReadErrorFailsTheScan) {
    const TagTable table = make_tag_table(kOpnTag, kClsTag);
    int directory = ::open(".", O_RDONLY | O_DIRECTORY);
    ASSERT_GE(directory, 0);
    ParallelScan scan;
    scan_in_parallel(directory, 100, build_tag_matcher(table), table, kPlans[1], scan);
    EXPECT_TRUE(scan.read_error);
    ::close(directory);
}

// A large file whose every read fails: the check says so rather than report.
TEST(ParallelCheck, EveryReadFailingIsAReadError) {
    const TagTable table = make_tag_table(kOpnTag, kClsTag);
    ScratchFile file;
    ASSERT_EQ(::ftruncate(file.fd, static_cast<off_t>(kParallelMinBytes)), 0);
    FileReader reader;
    ASSERT_TRUE(open_file_reader(reader, file.path));
    ::close(reader.fd);
    reader.fd = ::open(file.path.c_str(), O_WRONLY);  // open, but never read
    ASSERT_GE(reader.fd, 0);
    const char* saved = std::getenv("TAMBERLOX_THREADS");
    std::string kept = saved ? saved : "";
    ::setenv("TAMBERLOX_THREADS", "2", 1);
    EXPECT_EQ(check_in_parallel(reader, table), ParallelCheck::read_error);
    if (saved) {
        ::setenv("TAMBERLOX_THREADS", kept.c_str(), 1);
    } else {
        ::unsetenv("TAMBERLOX_THREADS");
    }
}

TEST(ParallelCheck, ThreadsComeFromTheEnvironment) {
    const char* saved = std::getenv("TAMBERLOX_THREADS");
    std::string kept = saved ? saved : "";
    ::unsetenv("TAMBERLOX_THREADS");
    size_t available = checking_threads();
    EXPECT_GE(available, 1u);
    const std::pair<const char*, size_t> settings[] = {
        {"3", 3}, {"1", 1}, {"0", available}, {"-2", available}, {"4x", available}, {"", available},
    };
    for (const auto& [setting, threads] : settings) {
        ::setenv("TAMBERLOX_THREADS", setting, 1);
        EXPECT_EQ(checking_threads(), threads) << "'" << setting << "'";
    }
    if (saved) {
        ::setenv("TAMBERLOX_THREADS", kept.c_str(), 1);
    } else {
        ::unsetenv("TAMBERLOX_THREADS");
    }
}

}  // namespace
