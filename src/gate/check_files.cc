#include "gate/check_files.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

#include "gate/findings.h"
#include "gate/report_format.h"

namespace {

struct Outcome {
    std::string text;
    bool fails = false;
    bool unreadable = false;
};

Outcome check_and_format(const GateEngine& engine, const GateOptions& options,
                         const std::string& name, FileReader& reader) {
    PairNames names{&engine.table.opn_tag, &engine.table.cls_tag};
    Outcome outcome;
    try {
        FileCheck check = check_one_file(engine, name, reader);
        std::vector<Finding> findings = find_findings(check, names, options.strict);
        outcome.fails = file_fails(check, findings);
        outcome.unreadable = check.status != FileStatus::checked;
        outcome.text = format_file_report(options.format, {name, check, findings, outcome.fails},
                                          names, options.quiet);
    } catch (const std::bad_alloc&) {
        FileCheck failed;
        failed.status = FileStatus::out_of_memory;
        failed.problem = std::strerror(ENOMEM);
        outcome = {format_file_report(options.format, {name, failed, {}, true}, names, false), true,
                   true};
    }
    return outcome;
}

// Standard output, written in large pieces. A write that fails ends the run.
struct Output {
    std::string pending;

    void flush() {
        size_t done = 0;
        while (done < pending.size()) {
            ssize_t wrote = ::write(STDOUT_FILENO, pending.data() + done, pending.size() - done);
            if (wrote < 0 && errno == EINTR)
                continue;
            if (wrote <= 0) {
                std::fputs("tamberlox-gate: can't write standard output\n", stderr);
                std::_Exit(2);
            }
            done += static_cast<size_t>(wrote);
        }
        pending.clear();
    }
    void put(const std::string& text) {
        pending += text;
        if (pending.size() >= 64 * 1024)
            flush();
    }
};

// Results handed from the checking threads to the writing one, by file index.
struct Handover {
    std::mutex mutex;
    std::condition_variable ready;
    std::vector<Outcome> outcomes;
    std::vector<char> done;
};

}  // namespace

int check_files(const GateEngine& engine, const GateOptions& options,
                const std::vector<std::string>& files, size_t jobs) {
    Handover handover;
    handover.outcomes.resize(files.size());
    handover.done.assign(files.size(), 0);
    std::atomic<size_t> next{0};
    auto work = [&] {
        FileReader reader;
        for (size_t i; (i = next.fetch_add(1)) < files.size();) {
            Outcome outcome = check_and_format(engine, options, files[i], reader);
            std::lock_guard<std::mutex> lock(handover.mutex);
            handover.outcomes[i] = std::move(outcome);
            handover.done[i] = 1;
            handover.ready.notify_all();
        }
    };
    std::vector<std::thread> threads;
    // With one job, or one file, the writing thread checks the files itself.
    for (size_t t = 0; jobs > 1 && files.size() > 1 && t < jobs && t < files.size(); ++t) {
        try {
            threads.emplace_back(work);
        } catch (const std::system_error&) {
            break;  // fewer threads, or none: then this one checks the files itself
        }
    }

    FileReader reader;
    Output out;
    if (options.format == OutputFormat::json)
        out.put(kJsonStart);
    size_t failed = 0, unreadable = 0;
    for (size_t i = 0; i < files.size(); ++i) {
        Outcome outcome;
        if (threads.empty()) {
            outcome = check_and_format(engine, options, files[i], reader);
        } else {
            std::unique_lock<std::mutex> lock(handover.mutex);
            if (!handover.done[i]) {
                lock.unlock();
                out.flush();
                lock.lock();
                handover.ready.wait(lock, [&] { return handover.done[i] != 0; });
            }
            outcome = std::move(handover.outcomes[i]);
        }
        failed += outcome.fails;
        unreadable += outcome.unreadable;
        if (options.format == OutputFormat::json && i > 0)
            out.put(",\n");
        out.put(outcome.text);
    }
    for (std::thread& thread : threads)
        thread.join();
    if (options.format == OutputFormat::json)
        out.put(json_end(files.size(), failed, unreadable));
    out.flush();
    return unreadable > 0 ? 2 : failed > 0 ? 1 : 0;
}
