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

namespace {

ListRejection rejected(RejectionKind kind, const std::string& path) {
    return {kind, path, {}, {}, {}};
}

// One name per line, blank lines included. Running out of memory here makes the
// file "suspicious", as an empty one does. Sets `rejection` when the list cannot
// be had at all.
std::vector<std::string> read_name_list(const std::string& path, ListRejection& rejection) {
    std::vector<std::string> names;
    try {
        std::string bytes;
        switch (read_whole_file(path, bytes)) {
            case WholeFileStatus::read:
                break;
            case WholeFileStatus::cannot_open:
                rejection = rejected(RejectionKind::cannot_open, path);
                return names;
            case WholeFileStatus::read_error:
                rejection = rejected(RejectionKind::cannot_read, path);
                return names;
        }
        names = split_lines(bytes);
    } catch (const std::bad_alloc&) {
        names = {};
        rejection = rejected(RejectionKind::suspicious, path);
        return names;
    }
    // Pair indexes are signed 32-bit in the occurrence records.
    if (names.size() > INT32_MAX)
        rejection = rejected(RejectionKind::suspicious, path);
    return names;
}

}  // namespace

ListRejection collision_rejection(const TagTable& table, const NameCollision& collision,
                                  const std::string& directory) {
    std::string opn_path = list_file_path(directory, kOpnListFile);
    std::string cls_path = list_file_path(directory, kClsListFile);
    switch (collision.place) {
        case CollisionPlace::none:
            break;
        case CollisionPlace::in_opn:
            return {RejectionKind::collision_in_opn,
                    opn_path,
                    {},
                    table.opn_tag[collision.first],
                    table.opn_tag[collision.second]};
        case CollisionPlace::in_cls:
            return {RejectionKind::collision_in_cls,
                    cls_path,
                    {},
                    table.cls_tag[collision.first],
                    table.cls_tag[collision.second]};
        case CollisionPlace::across:
            return {RejectionKind::collision_across, opn_path, cls_path,
                    table.opn_tag[collision.first], table.cls_tag[collision.second]};
    }
    return {};
}

TagTableLoad load_tag_lists(const std::string& directory) {
    TagTableLoad load;
    TagTable& table = load.table;
    ListRejection& rejection = load.rejection;
    std::string opn_path = list_file_path(directory, kOpnListFile);
    std::string cls_path = list_file_path(directory, kClsListFile);
    table.opn_tag = read_name_list(opn_path, rejection);
    if (rejection.kind == RejectionKind::none && table.opn_tag.empty())
        rejection = rejected(RejectionKind::suspicious, opn_path);
    if (rejection.kind != RejectionKind::none)
        return load;
    table.cls_tag = read_name_list(cls_path, rejection);
    if (rejection.kind == RejectionKind::none && table.cls_tag.size() != table.opn_tag.size())
        rejection = rejected(RejectionKind::suspicious, cls_path);
    if (rejection.kind != RejectionKind::none)
        return load;
    table.n = table.opn_tag.size();
    load.ok = true;
    return load;
}

TagTableLoad load_tag_table(const std::string& directory) {
    TagTableLoad load = load_tag_lists(directory);
    if (!load.ok)
        return load;
    NameCollision collision = find_first_collision(load.table.opn_tag, load.table.cls_tag);
    load.rejection = collision_rejection(load.table, collision, directory);
    load.ok = load.rejection.kind == RejectionKind::none;
    return load;
}

std::string rejection_text(const ListRejection& rejection) {
    const std::string& path = rejection.path;
    switch (rejection.kind) {
        case RejectionKind::none:
            break;
        case RejectionKind::cannot_open:
            return "ERROR : can't open " + path + ".";
        case RejectionKind::cannot_read:
            return "ERROR : can't read " + path + ".";
        case RejectionKind::suspicious:
            return "ERROR : " + path + " is suspicious.";
        case RejectionKind::collision_in_opn:
        case RejectionKind::collision_in_cls:
            return "ERROR : " + rejection.first + " and " + rejection.second + " exist in " + path +
                   ".";
        case RejectionKind::collision_across:
            return "ERROR : " + rejection.first + " in " + path + " and " + rejection.second +
                   " in " + rejection.other_path + " exist.";
    }
    return {};
}
