#include "text/file_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "text/text_bytes.h"

FileReader::~FileReader() {
    close_file_reader(*this);
}

bool open_file_reader(FileReader& reader, const std::string& name, size_t buffer_size) {
    close_file_reader(reader);
    reader.at_end = false;
    do {
        reader.fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    } while (reader.fd < 0 && errno == EINTR);
    if (reader.fd < 0)
        return false;
    struct stat status;
    if (::fstat(reader.fd, &status) != 0 || S_ISDIR(status.st_mode)) {
        close_file_reader(reader);
        return false;
    }
    if (reader.capacity != buffer_size || !reader.buffer) {
        reader.buffer.reset(new char[buffer_size]);
        reader.capacity = buffer_size;
    }
    return true;
}

void close_file_reader(FileReader& reader) {
    if (reader.fd >= 0)
        ::close(reader.fd);
    reader.fd = -1;
}

// Hot: every byte of the checked file passes here; a change needs a benchmark run.
ReadStatus read_chunk(FileReader& reader, std::string_view& chunk) {
    if (reader.at_end)
        return ReadStatus::end;
    char* buffer = reader.buffer.get();
    ssize_t got;
    do {
        got = ::read(reader.fd, buffer, reader.capacity);
    } while (got < 0 && errno == EINTR);
    if (got < 0)
        return ReadStatus::error;
    size_t size = static_cast<size_t>(got);
    if (const void* stop = std::memchr(buffer, kEndOfFileByte, size)) {
        size = static_cast<size_t>(static_cast<const char*>(stop) - buffer);
        reader.at_end = true;
    }
    if (got == 0)
        reader.at_end = true;
    if (size == 0)
        return ReadStatus::end;
    chunk = std::string_view(buffer, size);
    return ReadStatus::chunk;
}

WholeFileStatus read_whole_file(const std::string& name, std::string& bytes, size_t buffer_size) {
    bytes.clear();
    FileReader reader;
    if (!open_file_reader(reader, name, buffer_size))
        return WholeFileStatus::cannot_open;
    std::string_view chunk;
    for (;;) {
        switch (read_chunk(reader, chunk)) {
            case ReadStatus::chunk:
                bytes.append(chunk);
                break;
            case ReadStatus::end:
                return WholeFileStatus::read;
            case ReadStatus::error:
                return WholeFileStatus::read_error;
        }
    }
}
