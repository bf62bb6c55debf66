#include "gate/stdin_input.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "text/spill_file.h"

namespace {

// The rest of the reader's input, copied into a temporary file that the
// reader then reads from its start.
bool spool_to_temporary(FileReader& reader) {
    int copy = make_unnamed_file("tamberlox-gate");
    if (copy < 0)
        return false;
    for (;;) {
        ssize_t got = ::read(reader.fd, reader.buffer.get(), reader.capacity);
        if (got < 0 && errno == EINTR)
            continue;
        if (got == 0 && ::lseek(copy, 0, SEEK_SET) == 0)
            return adopt_file_reader(reader, copy, reader.capacity);
        if (got <= 0 || !write_all(copy, reader.buffer.get(), static_cast<size_t>(got))) {
            int error = errno;
            ::close(copy);
            errno = error;
            return false;
        }
    }
}

bool open_plain(FileReader& reader, const std::string& path) {
    if (path != kStandardInputPath)
        return open_file_reader(reader, path);
    close_file_reader(reader);
    int fd = ::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 0);
    return fd >= 0 && adopt_file_reader(reader, fd);
}

}  // namespace

bool open_input_reader(FileReader& reader, const std::string& path, bool rereadable) {
    if (!open_plain(reader, path))
        return false;
    if (!rereadable || ::lseek(reader.fd, 0, SEEK_CUR) >= 0)
        return true;
    if (spool_to_temporary(reader))
        return true;
    int error = errno;
    close_file_reader(reader);
    errno = error;
    return false;
}
