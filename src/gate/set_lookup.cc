#include "gate/set_lookup.h"

#include <dirent.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "gate/path_names.h"
#include "tags/load_tag_table.h"

#ifndef TAMBERLOX_SETS_DIR
#define TAMBERLOX_SETS_DIR "/usr/local/share/tamberlox/sets"
#endif

namespace {

bool is_folder(const std::string& path) {
    struct stat status;
    return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool exists(const std::string& path) {
    return ::access(path.c_str(), F_OK) == 0;
}

// `name` under `base`, unless it is absolute or `base` is the current folder.
std::string joined(const std::string& base, const std::string& name) {
    return base.empty() || name.starts_with('/') ? name : child_path(base, name);
}

// share/tamberlox/sets beside the folder of the running program, if it is there.
std::string sets_beside_program() {
    char path[PATH_MAX];
    ssize_t size = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (size <= 0)
        return {};
    std::string program(path, static_cast<size_t>(size));
    size_t slash = program.rfind('/');
    if (slash == std::string::npos)
        return {};
    std::string sets = program.substr(0, slash) + "/../share/tamberlox/sets";
    return is_folder(sets) ? sets : std::string();
}

std::string physical_path(const std::string& path) {
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (resolved == nullptr)
        return path;
    std::string result(resolved);
    std::free(resolved);
    return result;
}

}  // namespace

std::string installed_sets_dir() {
    const char* chosen = std::getenv("TAMBERLOX_SETS");
    if (chosen != nullptr && *chosen != '\0')
        return chosen;
    std::string beside = sets_beside_program();
    return beside.empty() ? std::string(TAMBERLOX_SETS_DIR) : beside;
}

std::vector<std::string> installed_set_names() {
    std::vector<std::string> names;
    std::string dir = installed_sets_dir();
    DIR* folder = ::opendir(dir.c_str());
    if (folder == nullptr)
        return names;
    while (const dirent* entry = ::readdir(folder)) {
        std::string name = entry->d_name;
        if (!name.starts_with('.') && exists(list_file_path(child_path(dir, name), kOpnListFile)))
            names.push_back(name);
    }
    ::closedir(folder);
    std::sort(names.begin(), names.end());
    return names;
}

SetLookup look_up_set(const std::string& name, const std::string& base) {
    std::string path = joined(base, name);
    if (is_folder(path))
        return {true, path, {}};
    if (exists(path))
        return {false, {}, "not a folder"};
    if (name.find('/') != std::string::npos || name == "." || name == "..")
        return {false, {}, "no such folder"};
    std::string installed = joined(installed_sets_dir(), name);
    if (is_folder(installed))
        return {true, installed, {}};
    return {false,
            {},
            "no such folder and no installed set of that name (installed sets: " +
                installed_sets_dir() + "; --list-sets names them)"};
}

FoundSetup find_setup() {
    FoundSetup setup;
    std::string dir = ".";
    std::string first = physical_path(dir);
    for (;;) {
        if (exists(list_file_path(dir, kMapFileName)) ||
            exists(list_file_path(dir, kOpnListFile))) {
            setup.found = true;
            setup.is_map = exists(list_file_path(dir, kMapFileName));
            setup.dir = dir;
            return setup;
        }
        std::string here = physical_path(dir);
        bool top = exists(list_file_path(dir, ".git"));
        if (top || here == "/") {
            std::string where =
                here == first ? "in " + first : "in " + first + " or a parent up to " + here;
            setup.message = std::string("tamberlox-gate: no ") + kMapFileName + " and no " +
                            kOpnListFile + " " + where +
                            (top ? " (the top of the repository)" : "") +
                            "; name a set with --lists=DIR or --lists=NAME (--list-sets names "
                            "the installed ones).\n";
            return setup;
        }
        dir = dir == "." ? ".." : dir + "/..";
    }
}
