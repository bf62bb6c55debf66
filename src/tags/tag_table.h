#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The tag pairs of the list files: pair j is (opn_tag[j], cls_tag[j]), j in file
// line order. Once loaded, the 2n names are prefix-free: none is a prefix of
// another, none is empty, no two are equal.
struct TagTable {
    size_t n = 0;
    std::vector<std::string> opn_tag;
    std::vector<std::string> cls_tag;
    std::vector<uint64_t> opn_num;
    std::vector<uint64_t> cls_num;
};

constexpr const char* kOpnListFile = "_tamberlox_opn.txt";
constexpr const char* kClsListFile = "_tamberlox_cls.txt";
