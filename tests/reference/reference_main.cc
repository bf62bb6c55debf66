// The plain checker as a program, for benchmarks: the same report as tamberlox
// for valid lists, found the straightforward way.

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>

#include "reference_check.h"

static std::string read_file(const char* name) {
    std::ifstream file(name, std::ios::binary);
    if (!file) {
        std::fprintf(stderr, "ERROR : can't open %s.\n", name);
        std::exit(1);
    }
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILENAME\n", argv[0]);
        return 1;
    }
    std::vector<std::string> opn_tag = reference_lines(read_file("_tamberlox_opn.txt"));
    std::vector<std::string> cls_tag = reference_lines(read_file("_tamberlox_cls.txt"));
    if (opn_tag.empty() || opn_tag.size() != cls_tag.size() ||
        reference_first_collision(opn_tag, cls_tag).place != CollisionPlace::none) {
        std::fprintf(stderr, "ERROR : the lists are not valid.\n");
        return 1;
    }
    write_reference_report(stdout, opn_tag, cls_tag, reference_lines(read_file(argv[1])));
    return std::fflush(stdout) == 0 ? 0 : 1;
}
