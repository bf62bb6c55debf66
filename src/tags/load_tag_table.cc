#include "tags/load_tag_table.h"

#include <cstdint>
#include <new>
#include <vector>

#include "tags/name_collision.h"
#include "text/file_reader.h"
#include "text/line_reader.h"

std::string list_file_path(const std::string& directory, const char* file_name) {
    if (directory.empty() || directory == ".")
        return file_name;
    if (!directory.empty() && directory.back() == '/')
        return directory + file_name;
    return directory + "/" + file_name;
}

static std::string suspicious(const std::string& path) {
    return "ERROR : " + path + " is suspicious.";
}

// One name per line, blank lines included. Running out of memory here makes the
// file "suspicious", as an empty one does. Sets `message` when the list cannot
// be had at all.
static std::vector<std::string> read_name_list(const std::string& path, std::string& message) {
    std::vector<std::string> names;
    try {
        std::string bytes;
        switch (read_whole_file(path, bytes)) {
            case WholeFileStatus::read:
                break;
            case WholeFileStatus::cannot_open:
                message = "ERROR : can't open " + path + ".\n";
                return names;
            case WholeFileStatus::read_error:
                message = "ERROR : can't read " + path + ".\n";
                return names;
        }
        names = split_lines(bytes);
    } catch (const std::bad_alloc&) {
        names = {};
        message = suspicious(path);
        return names;
    }
    // Pair indexes are signed 32-bit in the occurrence records.
    if (names.size() > INT32_MAX)
        message = suspicious(path);
    return names;
}

static std::string collision_message(const TagTable& table, const std::string& opn_path,
                                     const std::string& cls_path) {
    NameCollision collision = find_first_collision(table.opn_tag, table.cls_tag);
    switch (collision.place) {
        case CollisionPlace::none:
            break;
        case CollisionPlace::in_opn:
            return "ERROR : " + table.opn_tag[collision.first] + " and " +
                   table.opn_tag[collision.second] + " exist in " + opn_path + ".\n";
        case CollisionPlace::in_cls:
            return "ERROR : " + table.cls_tag[collision.first] + " and " +
                   table.cls_tag[collision.second] + " exist in " + cls_path + ".\n";
        case CollisionPlace::across:
            return "ERROR : " + table.opn_tag[collision.first] + " in " + opn_path + " and " +
                   table.cls_tag[collision.second] + " in " + cls_path + " exist.\n";
    }
    return {};
}

TagTableLoad load_tag_table(const std::string& directory) {
    TagTableLoad load;
    TagTable& table = load.table;
    std::string opn_path = list_file_path(directory, kOpnListFile);
    std::string cls_path = list_file_path(directory, kClsListFile);
    table.opn_tag = read_name_list(opn_path, load.message);
    if (load.message.empty() && table.opn_tag.empty())
        load.message = suspicious(opn_path);
    if (!load.message.empty())
        return load;
    table.cls_tag = read_name_list(cls_path, load.message);
    if (load.message.empty() && table.cls_tag.size() != table.opn_tag.size())
        load.message = suspicious(cls_path);
    if (!load.message.empty())
        return load;
    table.n = table.opn_tag.size();
    load.message = collision_message(table, opn_path, cls_path);
    load.ok = load.message.empty();
    return load;
}
