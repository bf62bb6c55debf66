#include "gate/gate_engine.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "nesting/scan_state.h"
#include "tags/name_collision.h"
#include "text/line_reader.h"

// Stand-in loader until the library's own loader takes a directory.
static bool read_names(const std::string& dir, const char* file_name,
                       std::vector<std::string>& names, std::string& rejection) {
    LineReader reader;
    if (open(reader, dir + "/" + file_name) != OpenResult::opened) {
        rejection = std::string("ERROR : can't open ") + file_name + ".\n";
        return false;
    }
    Line line;
    LineResult result;
    while ((result = next_line(reader, line)) == LineResult::line)
        names.emplace_back(line.text);
    close(reader);
    return result == LineResult::end_of_file;
}

bool load_gate_engine(const std::string& lists_dir, GateEngine& engine, std::string& rejection) {
    TagTable& table = engine.table;
    if (!read_names(lists_dir, kOpnListFile, table.opn_tag, rejection))
        return false;
    if (table.opn_tag.empty()) {
        rejection = std::string("ERROR : ") + kOpnListFile + " is suspicious.";
        return false;
    }
    if (!read_names(lists_dir, kClsListFile, table.cls_tag, rejection))
        return false;
    if (table.cls_tag.size() != table.opn_tag.size()) {
        rejection = std::string("ERROR : ") + kClsListFile + " is suspicious.";
        return false;
    }
    table.n = table.opn_tag.size();
    NameCollision collision = find_first_collision(table.opn_tag, table.cls_tag);
    switch (collision.place) {
        case CollisionPlace::none:
            break;
        case CollisionPlace::in_opn:
            rejection = "ERROR : " + table.opn_tag[collision.first] + " and " +
                        table.opn_tag[collision.second] + " exist in " + kOpnListFile + ".\n";
            return false;
        case CollisionPlace::in_cls:
            rejection = "ERROR : " + table.cls_tag[collision.first] + " and " +
                        table.cls_tag[collision.second] + " exist in " + kClsListFile + ".\n";
            return false;
        case CollisionPlace::across:
            rejection = "ERROR : " + table.opn_tag[collision.first] + " in " + kOpnListFile +
                        " and " + table.cls_tag[collision.second] + " in " + kClsListFile +
                        " exist.\n";
            return false;
    }
    engine.matcher = build_tag_matcher(table);
    return true;
}

static void record_found(FileCheck& check, int64_t& depth, std::vector<FoundName>& found) {
    for (const FoundName& name : found) {
        bool is_close = name.id & 1;
        uint32_t pair = name.id >> 1;
        if (enter_tag(depth, is_close) < 0)
            check.judged_ok = false;
        match_name(check.matching, pair, is_close, name.line);
        ++(is_close ? check.cls_num : check.opn_num)[pair];
    }
    found.clear();
}

FileCheck check_one_file(const GateEngine& engine, const std::string& name) {
    FileCheck check;
    try {
        LineReader reader;
        if (open(reader, name) != OpenResult::opened) {
            check.status = FileStatus::cannot_open;
            struct stat status;
            bool directory = ::stat(name.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
            check.problem = std::strerror(directory ? EISDIR : errno);
            return check;
        }
        check.opn_num.assign(engine.table.n, 0);
        check.cls_num.assign(engine.table.n, 0);
        start_pair_matching(check.matching, engine.table.n);
        TextScan scan;
        start_text_scan(engine.matcher, scan);
        std::vector<FoundName> found;
        int64_t depth = 0;
        std::string_view chunk;
        while (next_chunk(reader, chunk)) {
            while (!find_names(engine.matcher, chunk, scan, found))
                record_found(check, depth, found);
            record_found(check, depth, found);
        }
        finish_text_scan(scan, found);
        record_found(check, depth, found);
        close(reader);
        if (depth != 0)
            check.judged_ok = false;
        for (size_t pair = 0; pair < engine.table.n; ++pair) {
            if (check.opn_num[pair] != check.cls_num[pair])
                check.judged_ok = false;
        }
    } catch (const std::bad_alloc&) {
        check = FileCheck{};
        check.status = FileStatus::out_of_memory;
        check.problem = "out of memory";
    }
    return check;
}
