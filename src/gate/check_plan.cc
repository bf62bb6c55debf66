#include "gate/check_plan.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <iostream>

#include "gate/file_walk.h"
#include "gate/path_names.h"
#include "gate/set_lookup.h"
#include "gate/set_map.h"
#include "text/file_reader.h"

namespace {

bool fail(CheckPlan& plan, const std::string& message) {
    plan.message = message;
    return false;
}

// The map and its folder's name of FILE for --map.
bool load_named_map(const std::string& file, SetMap& map, CheckPlan& plan) {
    size_t slash = file.rfind('/');
    std::string dir = slash == std::string::npos ? "." : file.substr(0, slash + 1);
    MapLoad load = load_set_map(dir, slash == std::string::npos ? file : file.substr(slash + 1));
    map = std::move(load.map);
    return load.ok || fail(plan, load.message);
}

// The run's sets: the one --lists names, the map's, or what is found here.
bool choose_sets(const GateOptions& options, SetMap& map, bool& use_map, CheckPlan& plan) {
    use_map = false;
    if (!options.lists_dir.empty()) {
        SetLookup set = look_up_set(options.lists_dir, "");
        if (!set.found)
            return fail(plan,
                        "tamberlox-gate: --lists " + options.lists_dir + ": " + set.reason + ".\n");
        plan.set_dirs.push_back(set.dir);
        return true;
    }
    if (!options.map_file.empty()) {
        use_map = true;
        return load_named_map(options.map_file, map, plan);
    }
    FoundSetup setup = find_setup();
    if (!setup.found)
        return fail(plan, setup.message);
    if (!setup.is_map) {
        plan.set_dirs.push_back(setup.dir);
        return true;
    }
    use_map = true;
    MapLoad load = load_set_map(setup.dir, kMapFileName);
    map = std::move(load.map);
    return load.ok || fail(plan, load.message);
}

// The names in FILE ("-": standard input), one a line; empty lines are skipped.
bool read_names(const std::string& file, std::vector<std::string>& names, CheckPlan& plan) {
    std::string text;
    if (file == "-") {
        text.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    } else if (read_whole_file(file, text) != WholeFileStatus::read) {
        return fail(plan,
                    "tamberlox-gate: --files-from " + file + ": " + std::strerror(errno) + "\n");
    }
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        if (end > start)
            names.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return true;
}

bool is_folder(const std::string& path) {
    struct stat status;
    return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

struct Placing {
    const GateOptions& options;
    const SetMap* map;  // null: one set for every file
    CheckPlan& plan;
};

// Adds the file under `name`, opened at `path`, with its set; the map leaves
// out what it names nowhere.
void place(Placing& placing, const std::string& name, const std::string& path) {
    size_t set = 0;
    if (placing.map != nullptr) {
        set = set_for_path(*placing.map, relative_path(placing.map->top, absolute_path(name)));
        if (set == kNoSet)
            return;
    }
    placing.plan.targets.push_back({name, path, set});
}

bool place_given(Placing& placing, const std::string& given) {
    WalkChoice choice{placing.options.excludes, placing.map};
    if (given == "-") {
        const std::string& name = placing.options.stdin_filename;
        if (placing.map != nullptr && name.empty())
            return fail(placing.plan,
                        "tamberlox-gate: standard input needs --stdin-filename to find its set "
                        "in the map\n");
        if (name.empty() || !walk_leaves_out(choice, name))
            place(placing, name.empty() ? "-" : name, kStandardInputPath);
        return true;
    }
    if (!is_folder(given)) {
        if (!walk_leaves_out(choice, given))
            place(placing, given, given);
        return true;
    }
    WalkResult walked;
    walk_folder(choice, given, walked);
    for (const std::string& file : walked.files)
        place(placing, file, file);
    for (std::string& problem : walked.problems)
        placing.plan.problems.push_back(std::move(problem));
    return true;
}

// Every file named, from the arguments and --files-from; at most one reading
// standard input.
bool given_names(const GateOptions& options, std::vector<std::string>& names, CheckPlan& plan) {
    names = options.files;
    if (names.empty() && options.files_from.empty())
        names.push_back("-");
    for (const std::string& file : options.files_from) {
        if (!read_names(file, names, plan))
            return false;
    }
    size_t stdin_uses = 0;
    for (const std::string& name : names)
        stdin_uses += name == "-";
    for (const std::string& file : options.files_from)
        stdin_uses += file == "-";
    if (stdin_uses > 1)
        return fail(plan, "tamberlox-gate: standard input given twice ('-' or --files-from -)\n");
    return true;
}

}  // namespace

CheckPlan make_check_plan(const GateOptions& options) {
    CheckPlan plan;
    SetMap map;
    bool use_map = false;
    std::vector<std::string> names;
    if (!choose_sets(options, map, use_map, plan) || !given_names(options, names, plan))
        return plan;
    if (use_map)
        plan.set_dirs = map.set_dirs;
    Placing placing{options, use_map ? &map : nullptr, plan};
    for (const std::string& given : names) {
        if (!place_given(placing, given))
            return plan;
    }
    plan.ok = true;
    return plan;
}
