#include "cli/parallel_check.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <utility>

#include "report/parallel_report.h"
#include "scan/parallel_scan.h"
#include "text/thread_group.h"

size_t checking_threads() {
    const char* setting = std::getenv("TAMBERLOX_THREADS");
    size_t threads = 0;
    if (setting == nullptr || !parse_thread_count(setting, threads))
        threads = 0;
    return threads_to_use(threads);
}

namespace {

// The matcher goes before the report, which then reuses its memory.
void scan_with_matcher(int fd, uint64_t size, const TagTable& table, const ParallelPlan& plan,
                       ParallelScan& scan) {
    const TagMatcher matcher = build_tag_matcher(table, drawn_matcher_options());
    scan_in_parallel(fd, size, matcher, table, plan, scan);
}

}  // namespace

ParallelCheck check_in_parallel(FileReader& reader, const TagTable& table) {
    struct stat status;
    if (::fstat(reader.fd, &status) != 0 || !S_ISREG(status.st_mode) ||
        static_cast<uint64_t>(status.st_size) < kParallelMinBytes)
        return ParallelCheck::not_taken;
    ParallelPlan plan;
    plan.threads = checking_threads();
    if (plan.threads < 2)
        return ParallelCheck::not_taken;
    ParallelScan scan;
    scan_with_matcher(reader.fd, static_cast<uint64_t>(status.st_size), table, plan, scan);
    if (scan.read_error)
        return ParallelCheck::read_error;
    close_file_reader(reader);
    OutputBuffer out;
    open_output(out, STDOUT_FILENO, std::move(reader.buffer), reader.capacity);
    if (!print_report_in_parallel(scan, table, plan, out))
        return ParallelCheck::write_error;
    return ParallelCheck::reported;
}
