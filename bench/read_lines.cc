// Reads a file as the checker reads the checked file, in chunks, and prints its
// line count and its number of bytes, to compare the reading's speed with `wc -l`.

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "text/file_reader.h"
#include "text/text_bytes.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
        return 2;
    }
    FileReader reader;
    if (!open_file_reader(reader, argv[1])) {
        std::fprintf(stderr, "%s: can't open %s\n", argv[0], argv[1]);
        return 1;
    }
    uint64_t lines = 0;
    uint64_t bytes = 0;
    std::string_view chunk;
    ReadStatus status;
    while ((status = read_chunk(reader, chunk)) == ReadStatus::chunk) {
        const char* end = chunk.data() + chunk.size();
        for (const char* p = chunk.data(); const void* lf = std::memchr(p, kLf, end - p);
             p = static_cast<const char*>(lf) + 1) {
            ++lines;
        }
        bytes += chunk.size();
    }
    if (status == ReadStatus::error) {
        std::fprintf(stderr, "%s: can't read %s\n", argv[0], argv[1]);
        return 1;
    }
    std::printf("%" PRIu64 " lines, %" PRIu64 " bytes\n", lines, bytes);
    return 0;
}
