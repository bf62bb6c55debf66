// Reads a file with the checker's line reader and prints its line count and the
// number of text bytes delivered, to compare the reader's speed with `wc -l`.

#include <cinttypes>
#include <cstdio>

#include "text/line_reader.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
        return 2;
    }
    LineReader reader;
    if (open(reader, argv[1]) != OpenResult::opened) {
        std::fprintf(stderr, "%s: can't open %s\n", argv[0], argv[1]);
        return 1;
    }
    uint64_t lines = 0;
    uint64_t bytes = 0;
    Line line;
    LineResult result;
    while ((result = next_line(reader, line)) == LineResult::line) {
        ++lines;
        bytes += line.text.size();
    }
    close(reader);
    if (result == LineResult::failure) {
        std::fprintf(stderr, "%s: out of memory\n", argv[0]);
        return 1;
    }
    std::printf("%" PRIu64 " lines, %" PRIu64 " bytes\n", lines, bytes);
    return 0;
}
