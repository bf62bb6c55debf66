#include "gate/set_map.h"

#include <algorithm>

#include "gate/path_glob.h"
#include "gate/path_names.h"
#include "gate/set_lookup.h"
#include "tags/load_tag_table.h"
#include "text/file_reader.h"

namespace {

bool is_blank(char byte) {
    return byte == ' ' || byte == '\t' || byte == '\r';
}

// The line's fields up to a comment.
std::vector<std::string_view> fields_of(std::string_view line) {
    std::vector<std::string_view> fields;
    size_t at = 0;
    for (;;) {
        while (at < line.size() && is_blank(line[at]))
            ++at;
        if (at == line.size() || line[at] == '#')
            return fields;
        size_t start = at;
        while (at < line.size() && !is_blank(line[at]))
            ++at;
        fields.push_back(line.substr(start, at - start));
    }
}

// Empty when the fields make a rule, else why not.
std::string line_problem(const std::vector<std::string_view>& fields) {
    if (fields.size() != 2)
        return "a line is PATTERN SET, " + std::to_string(fields.size()) +
               (fields.size() == 1 ? " field here" : " fields here");
    std::string glob = glob_problem(fields[0]);
    return glob.empty() ? glob : glob + " in " + std::string(fields[0]);
}

std::string map_error(const std::string& path, size_t line, const std::string& problem) {
    return "ERROR : " + path + ", line " + std::to_string(line) + ": " + problem + ".\n";
}

// Each set the lines name, found once; false with the message when one is not there.
bool find_sets(const std::vector<MapLine>& lines, const std::string& path, MapLoad& load) {
    std::vector<std::string> names;
    for (const MapLine& line : lines) {
        if (line.set == "-") {
            load.map.leave_out.push_back(line.pattern);
            continue;
        }
        auto known = std::find(names.begin(), names.end(), line.set);
        if (known == names.end()) {
            SetLookup set = look_up_set(line.set, load.map.dir);
            if (!set.found) {
                load.message = map_error(path, line.line, "set " + line.set + ": " + set.reason);
                return false;
            }
            names.push_back(line.set);
            load.map.set_dirs.push_back(set.dir);
            known = names.end() - 1;
        }
        load.map.rules.push_back({line.pattern, static_cast<size_t>(known - names.begin())});
    }
    return true;
}

}  // namespace

MapParse parse_map_text(std::string_view text) {
    MapParse parse;
    size_t number = 0;
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++number;
        std::vector<std::string_view> fields = fields_of(line);
        if (fields.empty())
            continue;
        std::string problem = line_problem(fields);
        if (!problem.empty()) {
            parse.bad_line = number;
            parse.problem = problem;
            return parse;
        }
        parse.lines.push_back({std::string(fields[0]), std::string(fields[1]), number});
    }
    return parse;
}

MapLoad load_set_map(const std::string& dir, const std::string& file_name) {
    MapLoad load;
    std::string path = list_file_path(dir, file_name.c_str());
    std::string text;
    if (read_whole_file(path, text) != WholeFileStatus::read) {
        load.message = "ERROR : can't read " + path + ".\n";
        return load;
    }
    MapParse parse = parse_map_text(text);
    if (parse.bad_line != 0) {
        load.message = map_error(path, parse.bad_line, parse.problem);
        return load;
    }
    load.map.dir = dir;
    load.map.top = absolute_path(dir);
    load.ok = find_sets(parse.lines, path, load);
    return load;
}

bool is_left_out(const std::vector<std::string>& patterns, std::string_view relative) {
    for (const std::string& pattern : patterns) {
        for (size_t end = relative.size(); end != std::string_view::npos && end > 0;
             end = relative.rfind('/', end - 1)) {
            if (glob_matches(pattern, relative.substr(0, end)))
                return true;
        }
    }
    return false;
}

size_t set_for_path(const SetMap& map, std::string_view relative) {
    if (relative == ".." || relative.starts_with("../"))
        return kNoSet;
    if (is_left_out(map.leave_out, relative))
        return kNoSet;
    for (const SetRule& rule : map.rules) {
        if (glob_matches(rule.pattern, relative))
            return rule.set;
    }
    return kNoSet;
}
