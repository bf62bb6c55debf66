#include "gate/gate_engine.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "scan/scan_file.h"
#include "tags/load_tag_table.h"

bool load_gate_engine(const std::string& lists_dir, GateEngine& engine, std::string& rejection) {
    TagTableLoad load = load_tag_table(lists_dir);
    if (!load.ok) {
        rejection = std::move(load.message);
        return false;
    }
    engine.table = std::move(load.table);
    engine.matcher = build_tag_matcher(engine.table);
    return true;
}

static void cannot_check(FileCheck& check, FileStatus status, int error) {
    check.status = status;
    check.problem = error != 0 ? std::strerror(error) : "read error";
}

// Feeds the names found to the pair matching, in file order.
static void match_pairs(const ScanResult& result, size_t pairs, PairMatching& matching) {
    start_pair_matching(matching, pairs);
    OccurrenceCursor cursor = occurrence_cursor(0, 0);
    TagOccurrence occurrence;
    while (next_occurrence(result.occurrences, cursor, occurrence))
        match_name(matching, occurrence.pair, occurrence.kind == TagKind::close, occurrence.line);
}

FileCheck check_one_file(const GateEngine& engine, const std::string& name, FileReader& reader) {
    FileCheck check;
    try {
        errno = 0;
        if (!open_file_reader(reader, name)) {
            struct stat status;
            bool directory = ::stat(name.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
            cannot_check(check, FileStatus::cannot_open, directory ? EISDIR : errno);
            return check;
        }
        ScanResult result = scan_file(reader, engine.matcher, engine.table);
        int read_errno = errno;
        close_file_reader(reader);
        if (result.read_error) {
            cannot_check(check, FileStatus::cannot_read, read_errno);
            return check;
        }
        check.judged_ok = result.judged_ok;
        match_pairs(result, engine.table.n, check.matching);
        check.opn_num = std::move(result.opn_num);
        check.cls_num = std::move(result.cls_num);
    } catch (const std::bad_alloc&) {
        close_file_reader(reader);
        check = FileCheck{};
        cannot_check(check, FileStatus::out_of_memory, ENOMEM);
    }
    return check;
}
