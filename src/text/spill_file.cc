#include "text/spill_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <utility>

namespace {

int make_unnamed_file() {
    const char* folder = std::getenv("TMPDIR");
    std::string path = folder != nullptr && *folder != '\0' ? folder : "/tmp";
    path += "/tamberlox-spill.XXXXXX";
    int fd = ::mkstemp(path.data());
    if (fd >= 0)
        ::unlink(path.c_str());
    return fd;
}

bool write_all(int fd, const char* bytes, size_t size) {
    while (size > 0) {
        ssize_t written = ::write(fd, bytes, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

// Moves `size` bytes at `offset` through `call(done, at)`, a pread or pwrite of
// the rest, until all are moved; false when one fails or moves nothing.
template <typename Call>
bool all_at(uint64_t offset, size_t size, Call call) {
    size_t done = 0;
    while (done < size) {
        ssize_t moved = call(done, offset + done);
        if (moved < 0 && errno == EINTR)
            continue;
        if (moved <= 0)
            return false;
        done += static_cast<size_t>(moved);
    }
    return true;
}

}  // namespace

SpillFile::SpillFile(SpillFile&& other) noexcept
    : fd(std::exchange(other.fd, -1)), size(other.size), failed(other.failed) {}

SpillFile& SpillFile::operator=(SpillFile&& other) noexcept {
    if (this != &other) {
        if (fd >= 0)
            ::close(fd);
        fd = std::exchange(other.fd, -1);
        size = other.size;
        failed = other.failed;
    }
    return *this;
}

SpillFile::~SpillFile() {
    if (fd >= 0)
        ::close(fd);
}

bool append_to_spill(SpillFile& file, const void* bytes, size_t size) {
    if (file.failed)
        return false;
    if (file.fd < 0)
        file.fd = make_unnamed_file();
    if (file.fd < 0 || !write_all(file.fd, static_cast<const char*>(bytes), size)) {
        file.failed = true;
        return false;
    }
    file.size += size;
    return true;
}

bool write_to_spill(const SpillFile& file, uint64_t offset, const void* bytes, size_t size) {
    const char* from = static_cast<const char*>(bytes);
    return all_at(offset, size, [&](size_t done, uint64_t at) {
        return ::pwrite(file.fd, from + done, size - done, static_cast<off_t>(at));
    });
}

bool read_from_spill(const SpillFile& file, uint64_t offset, void* bytes, size_t size) {
    char* to = static_cast<char*>(bytes);
    return all_at(offset, size, [&](size_t done, uint64_t at) {
        return ::pread(file.fd, to + done, size - done, static_cast<off_t>(at));
    });
}
