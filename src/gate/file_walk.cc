#include "gate/file_walk.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "gate/path_names.h"

namespace {

// The entries of `dir` but `.` and `..`, sorted; false when it cannot be read.
bool sorted_entries(const std::string& dir, std::vector<std::string>& names) {
    DIR* folder = ::opendir(dir.c_str());
    if (folder == nullptr)
        return false;
    errno = 0;
    while (const dirent* entry = ::readdir(folder)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(std::move(name));
    }
    int error = errno;
    ::closedir(folder);
    std::sort(names.begin(), names.end());
    errno = error;
    return error == 0;
}

enum class EntryKind { file, folder, other };

EntryKind kind_of(const std::string& path) {
    struct stat status;
    if (::lstat(path.c_str(), &status) != 0)
        return EntryKind::other;
    if (S_ISLNK(status.st_mode) && ::stat(path.c_str(), &status) == 0)
        return S_ISREG(status.st_mode) ? EntryKind::file : EntryKind::other;
    if (S_ISDIR(status.st_mode))
        return EntryKind::folder;
    return S_ISREG(status.st_mode) ? EntryKind::file : EntryKind::other;
}

}  // namespace

bool walk_leaves_out(const WalkChoice& choice, const std::string& path) {
    bool map_leaves_out = choice.map != nullptr && !choice.map->leave_out.empty();
    if (choice.excludes.empty() && !map_leaves_out)
        return false;
    std::string absolute = absolute_path(path);
    if (is_left_out(choice.excludes, relative_path(absolute_path("."), absolute)))
        return true;
    return choice.map != nullptr &&
           is_left_out(choice.map->leave_out, relative_path(choice.map->top, absolute));
}

void walk_folder(const WalkChoice& choice, const std::string& dir, WalkResult& result) {
    std::vector<std::string> names;
    if (!sorted_entries(dir, names)) {
        result.problems.push_back(dir + ": can't read the folder: " + std::strerror(errno));
        return;
    }
    for (const std::string& name : names) {
        if (name == ".git" || name.starts_with("_tamberlox_"))
            continue;
        std::string path = child_path(dir, name);
        EntryKind kind = kind_of(path);
        if (kind == EntryKind::other || walk_leaves_out(choice, path))
            continue;
        if (kind == EntryKind::folder)
            walk_folder(choice, path, result);
        else
            result.files.push_back(std::move(path));
    }
}
