#include <cstdint>
#include <new>

#include "cli/fatal_error.h"
#include "cli/phases.h"
#include "tags/name_collision.h"
#include "text/line_reader.h"

// One name per line, blank lines included. Running out of memory here makes the
// file "suspicious", as an empty one does.
static std::vector<std::string> read_name_list(const char* file_name) {
    LineReader reader;
    OpenResult opened = open(reader, file_name);
    if (opened == OpenResult::cannot_open)
        fatal_error("ERROR : can't open %s.\n", {file_name});
    if (opened == OpenResult::out_of_memory)
        fatal_error("ERROR : %s is suspicious.", {file_name});
    std::vector<std::string> names;
    LineResult result = LineResult::failure;
    try {
        Line line;
        while ((result = next_line(reader, line)) == LineResult::line) {
            // Pair indexes are signed 32-bit in the occurrence records.
            if (names.size() == INT32_MAX)
                throw std::bad_alloc();
            names.emplace_back(line.text);
        }
    } catch (const std::bad_alloc&) {
        result = LineResult::failure;
    }
    close(reader);
    if (result == LineResult::failure)
        fatal_error("ERROR : %s is suspicious.", {file_name});
    return names;
}

static void reject_collision(const TagTable& table) {
    NameCollision collision = find_first_collision(table.opn_tag, table.cls_tag);
    const char* format = "ERROR : %s and %s exist in %s.\n";
    switch (collision.place) {
        case CollisionPlace::none:
            return;
        case CollisionPlace::in_opn:
            fatal_error(format, {table.opn_tag[collision.first], table.opn_tag[collision.second],
                                 kOpnListFile});
        case CollisionPlace::in_cls:
            fatal_error(format, {table.cls_tag[collision.first], table.cls_tag[collision.second],
                                 kClsListFile});
        case CollisionPlace::across:
            fatal_error("ERROR : %s in %s and %s in %s exist.\n",
                        {table.opn_tag[collision.first], kOpnListFile,
                         table.cls_tag[collision.second], kClsListFile});
    }
}

TagTable load_tag_table() {
    TagTable table;
    table.opn_tag = read_name_list(kOpnListFile);
    if (table.opn_tag.empty())
        fatal_error("ERROR : %s is suspicious.", {kOpnListFile});
    table.cls_tag = read_name_list(kClsListFile);
    if (table.cls_tag.size() != table.opn_tag.size()) {
        fatal_error("ERROR : %s is suspicious.", {kClsListFile});
    }
    table.n = table.opn_tag.size();
    try {
        reject_collision(table);
        table.opn_num.assign(table.n, 0);
        table.cls_num.assign(table.n, 0);
    } catch (const std::bad_alloc&) {
        fatal_error("ERROR : Allocation error.\n");
    }
    return table;
}
