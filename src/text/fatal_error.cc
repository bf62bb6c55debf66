#include "text/fatal_error.h"

#include <unistd.h>

#include <cstdlib>

#include "text/output_buffer.h"

void exit_with_message(int status, std::string_view format,
                       std::initializer_list<std::string_view> args) {
    const std::string_view* arg = args.begin();
    while (!format.empty()) {
        size_t mark = format.find("%s");
        if (mark == std::string_view::npos || arg == args.end()) {
            write_all(STDERR_FILENO, format);
            break;
        }
        write_all(STDERR_FILENO, format.substr(0, mark));
        write_all(STDERR_FILENO, *arg++);
        format.remove_prefix(mark + 2);
    }
    std::_Exit(status);
}
