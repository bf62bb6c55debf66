// Random bytes read as a list file, in chunks of a small buffer, must give the
// same lines as the plain byte-by-byte reading.
//
// Input: one byte choosing the buffer size (1 to 64), then the file's bytes.

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "check_support.h"
#include "reference_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    size_t buffer_size = 1 + data[0] % 64;
    std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    static ScratchFile file;
    fill_scratch_file(file, bytes);
    if (read_list_lines_in_process(file.path, buffer_size) != reference_lines(bytes)) {
        std::fprintf(stderr, "lines differ, buffer of %zu bytes\n", buffer_size);
        std::abort();
    }
    return 0;
}
