#include "gate/stdin_input.h"

#include <fcntl.h>
#include <unistd.h>

bool open_input_reader(FileReader& reader, const std::string& path) {
    if (path != kStandardInputPath)
        return open_file_reader(reader, path);
    close_file_reader(reader);
    int fd = ::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 0);
    return fd >= 0 && adopt_file_reader(reader, fd);
}
