#include "gate/run_checks.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <new>
#include <string_view>
#include <thread>

#include "gate/findings.h"
#include "gate/report_format.h"
#include "text/fatal_error.h"
#include "text/output_buffer.h"
#include "text/spill_file.h"
#include "text/thread_group.h"

namespace {

// Where a report formatted ahead of its turn lies in a checking thread's
// spill file.
struct SpilledReport {
    const SpillFile* file = nullptr;
    uint64_t offset = 0;
    uint64_t size = 0;
};

// A checked file waits until its turn to be written: formatted already when its
// report is short or when it is done ahead of its turn (then in a spill file,
// so that the files that wait hold no records), else in its compact form,
// which the writing thread formats straight into the output.
struct Outcome {
    FileCheck check;
    bool fails = false;
    bool formatted = false;
    bool text_items = false;  // whether the text holds an item of the document
    uint64_t left_out = 0;    // the findings the text leaves out
    std::string text;
    SpilledReport spilled;  // the text, when `file` is set
};

// The records a file's findings are read off, beyond which it is not formatted
// ahead of its turn but into a spill file.
constexpr uint64_t kFormatAheadRecords = 256;

uint64_t finding_records(const PairMatching& matching) {
    return matching.opens.size + matching.unmatched_closes.size + matching.pending.closes.size;
}

// Formats the report of a checked file into `text`, whose output is flushed;
// false when it cannot be written.
bool format_ahead(Outcome& outcome, OutputBuffer& text, const ReportSetup& setup,
                  const std::string& name) {
    DocumentItems items;
    outcome.left_out = write_file_report(text, {name, outcome.check, outcome.fails}, setup, items);
    if (!flush_output(text))
        return false;
    outcome.formatted = true;
    outcome.text_items = items.any;
    FileCheck failure;
    failure.status = outcome.check.status;
    failure.error_number = outcome.check.error_number;
    outcome.check = std::move(failure);
    return true;
}

// Appends the report to the spill file; where that cannot be done the file
// keeps its records until its turn.
void format_into_spill(Outcome& outcome, SpillFile& spill, const ReportSetup& setup,
                       const std::string& name) {
    if (!open_spill(spill))
        return;
    Outcome formatted;
    formatted.check = std::move(outcome.check);
    formatted.fails = outcome.fails;
    OutputBuffer text;
    open_output(text, spill.fd, 64 * 1024);
    if (!format_ahead(formatted, text, setup, name)) {
        spill.failed = true;
        outcome.check = std::move(formatted.check);
        return;
    }
    off_t end = ::lseek(spill.fd, 0, SEEK_CUR);
    if (end < 0 || static_cast<uint64_t>(end) < spill.size)
        exit_with_message(2, kGateSpillError);
    formatted.spilled = {&spill, spill.size, static_cast<uint64_t>(end) - spill.size};
    spill.size = static_cast<uint64_t>(end);
    outcome = std::move(formatted);
}

// Checks one file; a checking thread also formats a short report, so that the
// writing thread has little to do and the records are freed where they were had,
// and any report when `spill` is given: the file is done ahead of its turn.
Outcome check_file(const std::vector<GateEngine>& engines, const ReportSetup& setup,
                   const CheckTarget& file, FileReader& reader, bool format_short,
                   SpillFile* spill = nullptr) {
    Outcome outcome;
    const std::string& name = file.name;
    outcome.check = check_one_file(engines[file.set], file.path, reader, setup.choice.column_unit);
    outcome.fails = file_fails(outcome.check, setup.choice.strict);
    if (format_short && finding_records(outcome.check.matching) <= kFormatAheadRecords) {
        OutputBuffer text;
        open_output(text, -1, 4096);
        format_ahead(outcome, text, setup, name);
        outcome.text = std::move(text.collected);
    } else if (spill != nullptr) {
        format_into_spill(outcome, *spill, setup, name);
    }
    return outcome;
}

// The checking threads hand their results to the writing one, by file index.
struct CheckWork {
    const std::vector<GateEngine>& engines;
    const std::vector<ReportSetup>& setups;  // a set's
    const std::vector<CheckTarget>& files;
    std::atomic<size_t> next{0};
    std::mutex mutex{};
    std::condition_variable ready{};
    std::vector<Outcome> outcomes{};
    std::vector<char> done{};
    std::atomic<size_t> writing{0};   // the file the writing thread writes or waits for
    std::vector<SpillFile> spills{};  // a checking thread's each
    std::atomic<size_t> next_spill{0};
};

void check_in_turn(CheckWork& work) {
    FileReader reader;
    SpillFile& spill = work.spills[work.next_spill.fetch_add(1)];
    for (size_t i; (i = work.next.fetch_add(1)) < work.files.size();) {
        Outcome outcome = check_file(work.engines, work.setups[work.files[i].set], work.files[i],
                                     reader, true, i == work.writing.load() ? nullptr : &spill);
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
    work.writing.store(i);
    std::unique_lock<std::mutex> lock(work.mutex);
    if (!work.done[i]) {
        lock.unlock();
        flush_or_end(out);
        lock.lock();
        work.ready.wait(lock, [&] { return work.done[i] != 0; });
    }
    return std::move(work.outcomes[i]);
}

// Writes file i's report; the output goes out whenever the buffer fills.
struct ReportWriter {
    OutputBuffer& out;
    const ReportSetup& setup;
    DocumentItems items{};
    RunTotals totals{};
};

// The report that waited in a spill file, read back a block at a time.
void copy_spilled_report(ReportWriter& writer, const ReportSetup& setup, const Outcome& outcome) {
    put_report_written_ahead(writer.out, setup, writer.items, {}, outcome.text_items);
    const SpilledReport& spilled = outcome.spilled;
    std::string block(std::min<uint64_t>(spilled.size, 64 * 1024), '\0');
    for (uint64_t done = 0; done < spilled.size;) {
        size_t size = static_cast<size_t>(std::min<uint64_t>(block.size(), spilled.size - done));
        if (!read_from_spill(*spilled.file, spilled.offset + done, block.data(), size))
            exit_with_message(2, kGateSpillError);
        if (!write_through(writer.out, std::string_view(block.data(), size)))
            exit_with_message(2, kGateWriteError);
        done += size;
    }
}

// `setup` is the file's set's.
void write_outcome(ReportWriter& writer, const ReportSetup& setup, const CheckTarget& file,
                   const Outcome& outcome) {
    const std::string& name = file.name;
    const FileCheck& check = outcome.check;
    ++writer.totals.files;
    writer.totals.failed += outcome.fails;
    if (check.status != FileStatus::checked)
        writer.totals.unreadable.push_back({&file.name, check.status, check.error_number});
    uint64_t left_out = outcome.left_out;
    if (outcome.spilled.file != nullptr)
        copy_spilled_report(writer, setup, outcome);
    else if (outcome.formatted)
        put_report_written_ahead(writer.out, setup, writer.items, outcome.text, outcome.text_items);
    else
        left_out = write_file_report(writer.out, {name, check, outcome.fails}, setup, writer.items);
    if (left_out > 0)
        writer.totals.left_out.push_back({&file.name, left_out});
    if (writer.out.failed)
        exit_with_message(2, kGateWriteError);
}

// How the files of each set are reported, made once a run; one at least, for
// the document's start and end.
std::vector<ReportSetup> make_setups(const std::vector<GateEngine>& engines,
                                     const GateOptions& options) {
    // SARIF says what its columns count: code points are the nearest to a
    // terminal's columns that it can say.
    ColumnUnit unit =
        options.format == OutputFormat::sarif ? ColumnUnit::character : options.column_unit;
    ReportChoice choice{options.strict, options.quiet, options.max_findings, unit};
    static const std::vector<std::string> no_names;
    std::vector<ReportSetup> setups;
    for (const GateEngine& engine : engines)
        setups.push_back(
            make_report_setup(options.format, choice, engine.table.opn_tag, engine.table.cls_tag));
    if (setups.empty())
        setups.push_back(make_report_setup(options.format, choice, no_names, no_names));
    return setups;
}

}  // namespace

int run_checks(const std::vector<GateEngine>& engines, const GateOptions& options,
               const std::vector<CheckTarget>& files, size_t jobs) {
    std::vector<ReportSetup> setups = make_setups(engines, options);
    const ReportSetup& setup = setups[0];
    CheckWork work{engines, setups, files};
    work.outcomes.resize(files.size());
    work.done.assign(files.size(), 0);
    // With one job, or one file, the writing thread checks the files itself;
    // so it does when no thread starts.
    size_t threads = jobs > 1 && files.size() > 1 ? std::min(jobs, files.size()) : 0;
    work.spills.resize(threads);
    std::vector<std::thread> checking = start_threads(threads, [&work] { check_in_turn(work); });
    OutputBuffer out;
    open_output(out, STDOUT_FILENO, 64 * 1024);
    ReportWriter writer{out, setup};
    setup.format->put_start(out, setup.choice);
    FileReader reader;
    for (size_t i = 0; i < files.size(); ++i) {
        const ReportSetup& file_setup = setups[files[i].set];
        Outcome outcome = checking.empty()
                              ? check_file(engines, file_setup, files[i], reader, false)
                              : wait_for_outcome(work, i, out);
        write_outcome(writer, file_setup, files[i], outcome);
    }
    join_threads(checking);
    const RunTotals& totals = writer.totals;
    setup.format->put_end(out, totals);
    flush_or_end(out);
    return exit_status(totals);
}
