#include "text/spill_file.h"

#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <utility>

namespace {

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

// One writev for all the pieces; what a short write leaves, piece by piece.
bool write_pieces(int fd, const SpillPiece* pieces, size_t count) {
    iovec vectors[kMostSpillPieces];
    size_t total = 0;
    for (size_t i = 0; i < count; ++i) {
        vectors[i] = {const_cast<void*>(pieces[i].bytes), pieces[i].size};
        total += pieces[i].size;
    }
    ssize_t written;
    do
        written = ::writev(fd, vectors, static_cast<int>(count));
    while (written < 0 && errno == EINTR);
    if (written < 0)
        return false;
    size_t skip = static_cast<size_t>(written);
    for (size_t i = 0; i < count && skip < total; ++i) {
        if (skip >= pieces[i].size) {
            skip -= pieces[i].size;
            total -= pieces[i].size;
            continue;
        }
        const char* rest = static_cast<const char*>(pieces[i].bytes) + skip;
        if (!write_all(fd, rest, pieces[i].size - skip))
            return false;
        skip = 0;
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

bool open_spill(SpillFile& file) {
    if (file.failed)
        return false;
    if (file.fd < 0)
        file.fd = make_unnamed_file("tamberlox-spill");
    file.failed = file.fd < 0;
    return !file.failed;
}

bool append_to_spill(SpillFile& file, const SpillPiece* pieces, size_t count) {
    if (!open_spill(file) || !write_pieces(file.fd, pieces, count)) {
        file.failed = true;
        return false;
    }
    for (size_t i = 0; i < count; ++i)
        file.size += pieces[i].size;
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

int make_unnamed_file(const char* prefix) {
    const char* folder = std::getenv("TMPDIR");
    std::string path = folder != nullptr && *folder != '\0' ? folder : "/tmp";
    path += std::string("/") + prefix + ".XXXXXX";
    int fd = ::mkstemp(path.data());
    if (fd >= 0)
        ::unlink(path.c_str());
    return fd;
}

bool write_all(int fd, const void* data, size_t size) {
    const char* bytes = static_cast<const char*>(data);
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
