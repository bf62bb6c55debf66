#include "gate/gate_engine.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>

#include "gate/edit_notes.h"
#include "gate/finding_columns.h"
#include "gate/stdin_input.h"
#include "rules/rules_collision.h"
#include "rules/rules_file.h"
#include "rules/rules_filter.h"
#include "scan/scan_loop.h"

namespace {

// The lists' rejection; whether the open list is not there at all, so that the
// driver can say where the lists were looked for.
SetupError lists_error(const ListRejection& rejection, const std::string& lists_dir) {
    SetupError error;
    error.kind = SetupErrorKind::lists;
    error.lists = rejection;
    error.lists_dir = lists_dir;
    error.no_list_files = rejection.kind == RejectionKind::cannot_open &&
                          rejection.path == list_file_path(lists_dir, kOpnListFile) &&
                          ::access(rejection.path.c_str(), F_OK) != 0 && errno == ENOENT;
    return error;
}

// An empty name would match everywhere, whatever the rules: the checker's own
// check rejects it.
bool has_empty_name(const TagTable& table) {
    for (size_t j = 0; j < table.n; ++j) {
        if (table.opn_tag[j].empty() || table.cls_tag[j].empty())
            return true;
    }
    return false;
}

}  // namespace

SetupError load_gate_engine(const std::string& lists_dir, GateEngine& engine) {
    TagTableLoad load = load_tag_lists(lists_dir);
    if (!load.ok)
        return lists_error(load.rejection, lists_dir);
    RulesLoad rules = load_rules(lists_dir, load.table);
    if (!rules.ok) {
        SetupError error;
        error.kind = SetupErrorKind::rules;
        error.rules = rules.rejection;
        return error;
    }
    NameCollision collision = rules.rules.present && !has_empty_name(load.table)
                                  ? find_first_rules_collision(load.table, rules.rules)
                                  : find_first_collision(load.table.opn_tag, load.table.cls_tag);
    ListRejection rejection = collision_rejection(load.table, collision, lists_dir);
    if (rejection.kind != RejectionKind::none) {
        SetupError error = lists_error(rejection, lists_dir);
        error.rules_missing = !rules.rules.present;
        return error;
    }
    engine.table = std::move(load.table);
    engine.has_rules = rules.rules.present;
    if (engine.has_rules)
        engine.rules = build_rules_matcher(engine.table, rules.rules, drawn_matcher_options());
    else
        engine.matcher = build_tag_matcher(engine.table, drawn_matcher_options());
    return {};
}

namespace {

void cannot_check(FileCheck& check, FileStatus status, int error) {
    check = FileCheck{};
    check.status = status;
    check.error_number = error;
}

void open_failed(FileCheck& check, const std::string& name) {
    int error = errno;
    struct stat status;
    bool directory = ::stat(name.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
    cannot_check(check, FileStatus::cannot_open, directory ? EISDIR : error);
}

// The names go to the pair matching as the scan finds them, through the rules'
// filter when there are rules.
void scan_pairs(const GateEngine& engine, FileReader& reader, FileCheck& check,
                std::vector<FilterRestart>& restarts) {
    start_tally(check.tally, engine.table.n);
    start_pair_matching(check.matching, engine.table.n);
    PairSink sink{check.tally, check.matching};
    RulesFilterState* state = nullptr;
    errno = 0;
    if (scan_through_engine(engine, reader, sink, &state) == ReadStatus::error) {
        cannot_check(check, FileStatus::cannot_read, errno);
        return;
    }
    if (state == nullptr)
        return;
    restarts.swap(state->restarts);
    check.switched_off = state->checking.switched;
    if (state->checking.off_file) {
        // Not checked at all: no name counts, those before the marker neither.
        start_tally(check.tally, engine.table.n);
        start_pair_matching(check.matching, engine.table.n);
        settle_verdict(check.tally);
        return;
    }
    if (state->checking.unread)
        forget_open_names(check.tally, check.matching);
    check.branch_warnings = state->branches.warnings;
    const TagRules& rules = engine.rules.rules;
    check.crossing_errors = rules.crossing_errors;
    check.pairs_by_branches = state->branches.differing;
    if (state->ended_in_region) {
        check.ended_in_region = true;
        check.ended_in_tag = state->ended_in_tag;
        check.region_place = {state->region_line, state->region_column};
        check.region_start = state->ended_in_tag
                                 ? std::string(name_of(engine.table, state->ended_in))
                                 : rules.regions[state->ended_in].start;
        check.region_end = state->ended_in_tag ? rules.tag_end : rules.regions[state->ended_in].end;
        if (state->ended_declared != nullptr) {
            check.region_start = state->ended_declared->start;
            check.region_end = state->ended_declared->end;
        }
        check.tally.judged_ok = false;
    }
    for (const BrokenTag& broken : state->broken)
        check.broken_tags.push_back({{broken.line, broken.column}, broken.id});
    if (!state->broken.empty()) {
        check.tag_end = rules.tag_end;
        check.tag_break.assign(1, rules.tag_break);
        check.tally.judged_ok = false;
    }
}

}  // namespace

FileCheck check_one_file(const GateEngine& engine, const std::string& name, FileReader& reader,
                         ColumnUnit unit) {
    FileCheck check;
    try {
        errno = 0;
        if (!open_input_reader(reader, name, unit != ColumnUnit::byte)) {
            open_failed(check, name);
            return check;
        }
        std::vector<FilterRestart> restarts;
        scan_pairs(engine, reader, check, restarts);
        add_edit_notes(engine, name, check, restarts);
        errno = 0;
        if (check.status == FileStatus::checked &&
            !recount_columns(check, reader.fd, unit, reader.buffer.get(), reader.capacity))
            cannot_check(check, FileStatus::cannot_read, errno);
    } catch (const std::bad_alloc&) {
        cannot_check(check, FileStatus::out_of_memory, ENOMEM);
    }
    close_file_reader(reader);
    return check;
}
