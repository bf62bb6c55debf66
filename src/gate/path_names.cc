#include "gate/path_names.h"

#include <unistd.h>

#include <cerrno>

#include <vector>

namespace {

std::vector<std::string> normal_segments(const std::string& path) {
    std::vector<std::string> segments;
    size_t start = 0;
    while (start <= path.size()) {
        size_t slash = path.find('/', start);
        if (slash == std::string::npos)
            slash = path.size();
        std::string segment = path.substr(start, slash - start);
        if (segment == "..") {
            if (!segments.empty())
                segments.pop_back();
        } else if (!segment.empty() && segment != ".") {
            segments.push_back(segment);
        }
        start = slash + 1;
    }
    return segments;
}

std::string find_current_folder() {
    std::string folder(256, '\0');
    while (::getcwd(folder.data(), folder.size()) == nullptr) {
        if (errno != ERANGE)
            return "/";
        folder.resize(folder.size() * 2);
    }
    folder.resize(folder.find('\0'));
    return folder;
}

// The gate never changes its folder, so one look serves the whole run.
const std::string& current_folder() {
    static const std::string folder = find_current_folder();
    return folder;
}

}  // namespace

std::string absolute_path(const std::string& path) {
    std::string whole = path.starts_with('/') ? path : current_folder() + "/" + path;
    std::string result;
    for (const std::string& segment : normal_segments(whole))
        result += "/" + segment;
    return result.empty() ? "/" : result;
}

std::string relative_path(const std::string& top, const std::string& path) {
    std::vector<std::string> from = normal_segments(top);
    std::vector<std::string> to = normal_segments(path);
    size_t shared = 0;
    while (shared < from.size() && shared < to.size() && from[shared] == to[shared])
        ++shared;
    std::string result;
    for (size_t i = shared; i < from.size(); ++i)
        result += result.empty() ? ".." : "/..";
    for (size_t i = shared; i < to.size(); ++i)
        result += (result.empty() ? "" : "/") + to[i];
    return result.empty() ? "." : result;
}

std::string child_path(const std::string& dir, const std::string& name) {
    if (dir == ".")
        return name;
    return dir.ends_with('/') ? dir + name : dir + "/" + name;
}
