#include "gate/gate_engine.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "scan/scan_loop.h"

bool load_gate_engine(const std::string& lists_dir, GateEngine& engine, ListRejection& rejection) {
    TagTableLoad load = load_tag_table(lists_dir);
    if (!load.ok) {
        rejection = std::move(load.rejection);
        return false;
    }
    engine.table = std::move(load.table);
    engine.matcher = build_tag_matcher(engine.table, drawn_matcher_options());
    return true;
}

static void cannot_check(FileCheck& check, FileStatus status, int error) {
    check = FileCheck{};
    check.status = status;
    check.problem = error != 0 ? std::strerror(error) : "read error";
}

static void open_failed(FileCheck& check, const std::string& name) {
    int error = errno;
    struct stat status;
    bool directory = ::stat(name.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
    cannot_check(check, FileStatus::cannot_open, directory ? EISDIR : error);
}

// The names go to the pair matching as the scan finds them.
static void scan_pairs(const GateEngine& engine, FileReader& reader, FileCheck& check) {
    start_tally(check.tally, engine.table.n);
    start_pair_matching(check.matching, engine.table.n);
    PairSink sink{check.tally, check.matching};
    errno = 0;
    if (scan_text(engine.matcher, reader, sink) == ReadStatus::error)
        cannot_check(check, FileStatus::cannot_read, errno);
}

FileCheck check_one_file(const GateEngine& engine, const std::string& name, FileReader& reader) {
    FileCheck check;
    try {
        errno = 0;
        if (!open_file_reader(reader, name)) {
            open_failed(check, name);
            return check;
        }
        scan_pairs(engine, reader, check);
    } catch (const std::bad_alloc&) {
        cannot_check(check, FileStatus::out_of_memory, ENOMEM);
    }
    close_file_reader(reader);
    return check;
}
