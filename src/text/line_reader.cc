#include "text/line_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "cli/fatal_error.h"

constexpr char kCr = '\r';
constexpr char kLf = '\n';
constexpr char kEndOfFileByte = 0x1a;

OpenResult open(LineReader& reader, const std::string& name, size_t buffer_size) {
    int fd;
    do {
        fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return OpenResult::cannot_open;
    struct stat status;
    if (::fstat(fd, &status) != 0 || S_ISDIR(status.st_mode)) {
        ::close(fd);
        return OpenResult::cannot_open;
    }
    try {
        reader = LineReader{};
        reader.name = name;
        reader.buffer.reset(new char[buffer_size]);
    } catch (const std::bad_alloc&) {
        ::close(fd);
        return OpenResult::out_of_memory;
    }
    reader.fd = fd;
    reader.capacity = buffer_size;
    return OpenResult::opened;
}

void close(LineReader& reader) {
    if (reader.fd >= 0)
        ::close(reader.fd);
    reader = LineReader{};
}

static size_t find_cr(const LineReader& reader, size_t from) {
    const char* start = reader.buffer.get() + from;
    const void* cr = std::memchr(start, kCr, reader.end - from);
    return cr ? static_cast<size_t>(static_cast<const char*>(cr) - reader.buffer.get())
              : reader.end;
}

// Reads at most `room` bytes to `target`; stops at a 0x1A for good.
static size_t read_block(LineReader& reader, char* target, size_t room) {
    ssize_t got;
    do {
        got = ::read(reader.fd, target, room);
    } while (got < 0 && errno == EINTR);
    if (got < 0)
        fatal_error("ERROR : can't read %s.\n", {reader.name});
    if (got == 0) {
        reader.at_end = true;
        return 0;
    }
    size_t size = static_cast<size_t>(got);
    if (const void* stop = std::memchr(target, kEndOfFileByte, size)) {
        size = static_cast<size_t>(static_cast<const char*>(stop) - target);
        reader.at_end = true;
    }
    return size;
}

static void read_more(LineReader& reader) {
    size_t old_end = reader.end;
    reader.end += read_block(reader, reader.buffer.get() + old_end, reader.capacity - old_end);
    if (reader.next_cr == old_end)
        reader.next_cr = find_cr(reader, old_end);
}

bool next_chunk(LineReader& reader, std::string_view& chunk) {
    size_t size = 0;
    while (size == 0 && !reader.at_end) {
        size = read_block(reader, reader.buffer.get(), reader.capacity);
    }
    chunk = std::string_view(reader.buffer.get(), size);
    return size > 0;
}

// The text of the bytes [from, to) of the buffer, cut at a CR.
static std::string_view cut_text(const LineReader& reader, size_t from, size_t to) {
    size_t stop = reader.next_cr < to ? reader.next_cr : to;
    return std::string_view(reader.buffer.get() + from, stop - from);
}

static void append_to_long_line(LineReader& reader, size_t from, size_t to) {
    if (!reader.long_line_cut) {
        reader.long_line.append(cut_text(reader, from, to));
        reader.long_line_cut = reader.next_cr < to;
    }
    reader.long_line_open = true;
}

// Makes room for more bytes: drops the delivered ones, and moves a line that
// fills the whole buffer out into long_line.
static void make_room(LineReader& reader) {
    if (reader.begin > 0) {
        size_t kept = reader.end - reader.begin;
        std::memmove(reader.buffer.get(), reader.buffer.get() + reader.begin, kept);
        reader.next_cr -= reader.begin;
        reader.end = kept;
        reader.begin = 0;
    }
    if (reader.end == reader.capacity) {
        append_to_long_line(reader, 0, reader.end);
        reader.end = 0;
        reader.next_cr = 0;
    }
}

static LineResult deliver(LineReader& reader, size_t from, size_t to, Line& line) {
    if (reader.long_line_open) {
        append_to_long_line(reader, from, to);
        line.text = reader.long_line;
    } else {
        line.text = cut_text(reader, from, to);
    }
    line.number = ++reader.line_number;
    return LineResult::line;
}

LineResult next_line(LineReader& reader, Line& line) {
    if (reader.long_line_open) {
        reader.long_line.clear();
        reader.long_line_open = false;
        reader.long_line_cut = false;
    }
    if (reader.next_cr < reader.begin)
        reader.next_cr = find_cr(reader, reader.begin);
    try {
        for (;;) {
            size_t from = reader.begin;
            const char* start = reader.buffer.get() + from;
            const void* lf = std::memchr(start, kLf, reader.end - from);
            if (lf) {
                size_t to = from + static_cast<size_t>(static_cast<const char*>(lf) - start);
                reader.begin = to + 1;
                return deliver(reader, from, to, line);
            }
            if (reader.at_end) {
                if (from == reader.end && !reader.long_line_open)
                    return LineResult::end_of_file;
                reader.begin = reader.end;
                return deliver(reader, from, reader.end, line);
            }
            make_room(reader);
            read_more(reader);
        }
    } catch (const std::bad_alloc&) {
        return LineResult::failure;
    }
}
