#include "gate/path_glob.h"

#include <vector>

namespace {

// Where the class that opens at `at` (a `[`) ends: the index of its `]`, or
// npos when it is never closed.
size_t class_end(std::string_view pattern, size_t at) {
    size_t i = at + 1;
    if (i < pattern.size() && (pattern[i] == '!' || pattern[i] == '^'))
        ++i;
    if (i < pattern.size() && pattern[i] == ']')
        ++i;
    for (; i < pattern.size(); ++i) {
        if (pattern[i] == '\\')
            ++i;
        else if (pattern[i] == ']')
            return i;
    }
    return std::string_view::npos;
}

// The next member byte of a class, a backslash taking the byte after it.
unsigned char take_member(std::string_view members, size_t& i) {
    if (members[i] == '\\' && i + 1 < members.size())
        ++i;
    return static_cast<unsigned char>(members[i++]);
}

// Whether `byte` is in the class between `[` and `]` (both left out).
bool class_holds(std::string_view members, char byte) {
    bool negated = !members.empty() && (members[0] == '!' || members[0] == '^');
    auto value = static_cast<unsigned char>(byte);
    bool found = false;
    for (size_t i = negated ? 1 : 0; i < members.size();) {
        unsigned char low = take_member(members, i);
        unsigned char high = low;
        if (i + 1 < members.size() && members[i] == '-') {
            ++i;
            high = take_member(members, i);
        }
        found |= value >= low && value <= high;
    }
    return found != negated;
}

// One pattern element against one byte of a segment: advances `p` past it.
bool element_matches(std::string_view pattern, size_t& p, char byte) {
    char element = pattern[p];
    if (element == '?') {
        ++p;
        return true;
    }
    if (element == '[') {
        size_t end = class_end(pattern, p);
        if (end != std::string_view::npos) {
            bool held = class_holds(pattern.substr(p + 1, end - p - 1), byte);
            p = end + 1;
            return held;
        }
    }
    if (element == '\\' && p + 1 < pattern.size())
        element = pattern[++p];
    ++p;
    return element == byte;
}

// A segment against a segment, `*` standing for any run: the classic walk
// that goes back to the last star only, which is enough where a star never
// crosses a `/`.
bool segment_matches(std::string_view pattern, std::string_view text) {
    size_t p = 0, t = 0;
    size_t star = std::string_view::npos, star_text = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = ++p;
            star_text = t;
            continue;
        }
        size_t next = p;
        if (p < pattern.size() && element_matches(pattern, next, text[t])) {
            p = next;
            ++t;
            continue;
        }
        if (star == std::string_view::npos)
            return false;
        p = star;
        t = ++star_text;
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

std::vector<std::string_view> split_segments(std::string_view path) {
    std::vector<std::string_view> segments;
    size_t start = 0;
    for (;;) {
        size_t slash = path.find('/', start);
        segments.push_back(path.substr(start, slash - start));
        if (slash == std::string_view::npos)
            return segments;
        start = slash + 1;
    }
}

bool segments_match(const std::vector<std::string_view>& pattern, size_t p,
                    const std::vector<std::string_view>& path, size_t s) {
    for (; p < pattern.size(); ++p, ++s) {
        if (pattern[p] == "**") {
            for (size_t rest = s; rest <= path.size(); ++rest) {
                if (segments_match(pattern, p + 1, path, rest))
                    return true;
            }
            return false;
        }
        if (s == path.size() || !segment_matches(pattern[p], path[s]))
            return false;
    }
    return s == path.size();
}

}  // namespace

bool glob_matches(std::string_view pattern, std::string_view path) {
    if (pattern.find('/') == std::string_view::npos) {
        size_t slash = path.rfind('/');
        return segment_matches(pattern,
                               slash == std::string_view::npos ? path : path.substr(slash + 1));
    }
    if (pattern.starts_with('/'))
        pattern.remove_prefix(1);
    return segments_match(split_segments(pattern), 0, split_segments(path), 0);
}

std::string glob_problem(std::string_view pattern) {
    if (pattern.empty() || pattern == "/")
        return "an empty pattern";
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '\\') {
            if (++i == pattern.size())
                return "a pattern that ends in a backslash";
        } else if (pattern[i] == '[') {
            i = class_end(pattern, i);
            if (i == std::string_view::npos)
                return "a '[' that no ']' closes";
        }
    }
    return {};
}
