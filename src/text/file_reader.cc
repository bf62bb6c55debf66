#include "text/file_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "text/text_bytes.h"

FileReader::~FileReader() {
    close_file_reader(*this);
}

namespace {

// Opens `name` for reading unless it is a directory; false when it cannot.
bool open_file(FileReader& reader, const std::string& name, struct stat& status) {
    close_file_reader(reader);
    reader.at_end = false;
    do {
        reader.fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    } while (reader.fd < 0 && errno == EINTR);
    if (reader.fd < 0)
        return false;
    if (::fstat(reader.fd, &status) != 0 || S_ISDIR(status.st_mode)) {
        close_file_reader(reader);
        return false;
    }
    return true;
}

void keep_buffer(FileReader& reader, size_t buffer_size) {
    if (reader.capacity != buffer_size || !reader.buffer) {
        reader.buffer.reset(new char[buffer_size]);
        reader.capacity = buffer_size;
    }
}

}  // namespace

bool open_file_reader(FileReader& reader, const std::string& name, size_t buffer_size) {
    struct stat status;
    if (!open_file(reader, name, status))
        return false;
    keep_buffer(reader, buffer_size);
    return true;
}

bool adopt_file_reader(FileReader& reader, int fd, size_t buffer_size) {
    close_file_reader(reader);
    reader.at_end = false;
    reader.fd = fd;
    struct stat status;
    bool known = ::fstat(reader.fd, &status) == 0;
    if (!known || S_ISDIR(status.st_mode)) {
        int error = known ? EISDIR : errno;
        close_file_reader(reader);
        errno = error;
        return false;
    }
    keep_buffer(reader, buffer_size);
    return true;
}

void close_file_reader(FileReader& reader) {
    if (reader.fd >= 0)
        ::close(reader.fd);
    reader.fd = -1;
}

namespace {

// Reads at most `room` bytes (at least one) into `target`, up to a 0x1A, which
// ends the file for good. Hot: every byte of the checked file passes here; a
// change needs a benchmark run.
ReadStatus read_into(FileReader& reader, char* target, size_t room, size_t& size) {
    size = 0;
    if (reader.at_end)
        return ReadStatus::end;
    ssize_t got;
    do {
        got = ::read(reader.fd, target, room);
    } while (got < 0 && errno == EINTR);
    if (got < 0)
        return ReadStatus::error;
    size = static_cast<size_t>(got);
    if (cut_at_end_of_text(target, size) || got == 0)
        reader.at_end = true;
    return size == 0 ? ReadStatus::end : ReadStatus::chunk;
}

}  // namespace

bool cut_at_end_of_text(const char* bytes, size_t& size) {
    const void* stop = std::memchr(bytes, kEndOfFileByte, size);
    if (stop == nullptr)
        return false;
    size = static_cast<size_t>(static_cast<const char*>(stop) - bytes);
    return true;
}

ReadStatus read_at(int fd, uint64_t offset, char* buffer, size_t room, size_t& size,
                   bool& ends_text) {
    ssize_t got;
    do {
        got = ::pread(fd, buffer, room, static_cast<off_t>(offset));
    } while (got < 0 && errno == EINTR);
    size = 0;
    ends_text = false;
    if (got < 0)
        return ReadStatus::error;
    size = static_cast<size_t>(got);
    ends_text = cut_at_end_of_text(buffer, size);
    return size == 0 ? ReadStatus::end : ReadStatus::chunk;
}

ReadStatus read_chunk(FileReader& reader, std::string_view& chunk) {
    size_t size;
    ReadStatus status = read_into(reader, reader.buffer.get(), reader.capacity, size);
    chunk = std::string_view(reader.buffer.get(), size);
    return status;
}

WholeFileStatus read_whole_file(const std::string& name, std::string& bytes, size_t read_size) {
    bytes.clear();
    FileReader reader;
    struct stat status;
    if (!open_file(reader, name, status))
        return WholeFileStatus::cannot_open;
    // The bytes go straight into place. A regular file's size is known: one
    // allocation holds it, and a byte more lets the last read see the end.
    if (S_ISREG(status.st_mode))
        bytes.reserve(static_cast<size_t>(status.st_size) + 1);
    for (;;) {
        if (bytes.size() == bytes.capacity())
            bytes.reserve(2 * bytes.capacity() + 4096);
        size_t old_size = bytes.size();
        size_t room = std::min(bytes.capacity() - old_size, read_size);
        bytes.resize(old_size + room);
        size_t size;
        ReadStatus read = read_into(reader, bytes.data() + old_size, room, size);
        bytes.resize(old_size + size);
        if (read == ReadStatus::end)
            return WholeFileStatus::read;
        if (read == ReadStatus::error)
            return WholeFileStatus::read_error;
    }
}
