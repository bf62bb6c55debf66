#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The tag pairs of the list files: pair j is (opn_tag[j], cls_tag[j]), j in file
// line order. None of the 2n names is empty. Loaded by the checker's rules
// (load_tag_table), the names are also prefix-free: none is a prefix of
// another, no two are equal; under a rules file the gate checks instead that
// no two can meet in the text, and the names themselves may begin one another.
// The table does not change after loading; what a scan counts goes to the
// scan's result.
struct TagTable {
    size_t n = 0;  // the number of pairs, as the lists' record calls it
    std::vector<std::string> opn_tag;
    std::vector<std::string> cls_tag;
};

constexpr const char* kOpnListFile = "_tamberlox_opn.txt";
constexpr const char* kClsListFile = "_tamberlox_cls.txt";

// A name by its id: 2 * pair for the open name, 2 * pair + 1 for the close name.
inline std::string_view name_of(const TagTable& table, size_t id) {
    return (id & 1) ? std::string_view(table.cls_tag[id >> 1])
                    : std::string_view(table.opn_tag[id >> 1]);
}

// How many bytes a and b have in common from the start.
inline size_t common_prefix_length(std::string_view a, std::string_view b) {
    size_t limit = a.size() < b.size() ? a.size() : b.size();
    size_t i = 0;
    while (i < limit && a[i] == b[i])
        ++i;
    return i;
}
