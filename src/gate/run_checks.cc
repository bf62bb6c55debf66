#include "gate/run_checks.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <new>
#include <thread>

#include "gate/findings.h"
#include "gate/report_format.h"
#include "text/fatal_error.h"
#include "text/output_buffer.h"
#include "text/thread_group.h"

namespace {

// How every file is reported, made once a run.
struct ReportSetup {
    OutputFormat format;
    std::vector<NameTexts> names;  // a set's
    ReportChoice choice;
};

// A checked file waits until its turn to be written: formatted already when its
// report is short, else in its compact form, which the writing thread formats
// straight into the output.
struct Outcome {
    FileCheck check;
    bool fails = false;
    bool formatted = false;
    std::string text;
};

// The records a file's findings are read off, beyond which it is not formatted
// ahead of its turn.
constexpr uint64_t kFormatAheadRecords = 256;

uint64_t finding_records(const PairMatching& matching) {
    return matching.opens.size + matching.unmatched_closes.size + matching.pending.closes.size;
}

// Checks one file; a checking thread also formats a short report, so that the
// writing thread has little to do and the records are freed where they were had.
Outcome check_file(const std::vector<GateEngine>& engines, const ReportSetup& setup,
                   const CheckTarget& file, FileReader& reader, bool format_short) {
    Outcome outcome;
    const std::string& name = file.name;
    outcome.check = check_one_file(engines[file.set], file.path, reader);
    outcome.fails = file_fails(outcome.check, setup.choice.strict);
    if (format_short && finding_records(outcome.check.matching) <= kFormatAheadRecords) {
        OutputBuffer text;
        open_output(text, -1, 4096);
        write_file_report(text, {name, outcome.check, outcome.fails}, setup.names[file.set],
                          setup.choice);
        flush_output(text);
        outcome.text = std::move(text.collected);
        outcome.formatted = true;
        FileStatus status = outcome.check.status;
        outcome.check = FileCheck{};
        outcome.check.status = status;
    }
    return outcome;
}

// The checking threads hand their results to the writing one, by file index.
struct CheckWork {
    const std::vector<GateEngine>& engines;
    const ReportSetup& setup;
    const std::vector<CheckTarget>& files;
    std::atomic<size_t> next{0};
    std::mutex mutex{};
    std::condition_variable ready{};
    std::vector<Outcome> outcomes{};
    std::vector<char> done{};
};

void check_in_turn(CheckWork& work) {
    FileReader reader;
    for (size_t i; (i = work.next.fetch_add(1)) < work.files.size();) {
        Outcome outcome = check_file(work.engines, work.setup, work.files[i], reader, true);
        std::lock_guard<std::mutex> lock(work.mutex);
        work.outcomes[i] = std::move(outcome);
        work.done[i] = 1;
        work.ready.notify_all();
    }
}

void flush_or_end(OutputBuffer& out) {
    if (!flush_output(out))
        exit_with_message(2, kGateWriteError);
}

// File i's outcome from the checking threads; what is written so far goes out
// while it waits.
Outcome wait_for_outcome(CheckWork& work, size_t i, OutputBuffer& out) {
    std::unique_lock<std::mutex> lock(work.mutex);
    if (!work.done[i]) {
        lock.unlock();
        flush_or_end(out);
        lock.lock();
        work.ready.wait(lock, [&] { return work.done[i] != 0; });
    }
    return std::move(work.outcomes[i]);
}

struct Totals {
    size_t failed = 0;
    size_t unreadable = 0;
};

// Writes file i's report; the output goes out whenever the buffer fills.
struct ReportWriter {
    OutputBuffer& out;
    const ReportSetup& setup;
    Totals totals{};
};

void write_outcome(ReportWriter& writer, const CheckTarget& file, size_t i,
                   const Outcome& outcome) {
    writer.totals.failed += outcome.fails;
    writer.totals.unreadable += outcome.check.status != FileStatus::checked;
    if (writer.setup.format == OutputFormat::json && i > 0)
        put_bytes(writer.out, ",\n");
    if (outcome.formatted)
        put_bytes(writer.out, outcome.text);
    else
        write_file_report(writer.out, {file.name, outcome.check, outcome.fails},
                          writer.setup.names[file.set], writer.setup.choice);
    if (writer.out.failed)
        exit_with_message(2, kGateWriteError);
}

}  // namespace

int run_checks(const std::vector<GateEngine>& engines, const GateOptions& options,
               const std::vector<CheckTarget>& files, size_t jobs) {
    ReportSetup setup{options.format, {}, {options.strict, options.quiet, options.max_findings}};
    for (const GateEngine& engine : engines)
        setup.names.push_back(
            make_name_texts(options.format, engine.table.opn_tag, engine.table.cls_tag));
    CheckWork work{engines, setup, files};
    work.outcomes.resize(files.size());
    work.done.assign(files.size(), 0);
    // With one job, or one file, the writing thread checks the files itself;
    // so it does when no thread starts.
    size_t threads = jobs > 1 && files.size() > 1 ? std::min(jobs, files.size()) : 0;
    std::vector<std::thread> checking = start_threads(threads, [&work] { check_in_turn(work); });
    OutputBuffer out;
    open_output(out, STDOUT_FILENO, 64 * 1024);
    ReportWriter writer{out, setup};
    if (options.format == OutputFormat::json)
        put_bytes(out, kJsonStart);
    FileReader reader;
    for (size_t i = 0; i < files.size(); ++i) {
        Outcome outcome = checking.empty() ? check_file(engines, setup, files[i], reader, false)
                                           : wait_for_outcome(work, i, out);
        write_outcome(writer, files[i], i, outcome);
    }
    join_threads(checking);
    Totals& totals = writer.totals;
    if (options.format == OutputFormat::json)
        put_bytes(out, json_end(files.size(), totals.failed, totals.unreadable));
    flush_or_end(out);
    return totals.unreadable > 0 ? 2 : totals.failed > 0 ? 1 : 0;
}
