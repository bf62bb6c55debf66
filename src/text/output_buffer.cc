#include "text/output_buffer.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

void open_output(OutputBuffer& out, int fd, size_t capacity) {
    open_output(out, fd, std::unique_ptr<char[]>(new char[capacity]), capacity);
}

void open_output(OutputBuffer& out, int fd, std::unique_ptr<char[]> memory, size_t capacity) {
    out.data = std::move(memory);
    out.fd = fd;
    out.size = 0;
    out.capacity = capacity;
    out.failed = false;
}

bool write_all(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

bool flush_output(OutputBuffer& out) {
    std::string_view bytes(out.data.get(), out.size);
    out.size = 0;
    if (out.fd < 0) {
        out.collected.append(bytes);
    } else if (!out.failed) {
        out.failed = !write_all(out.fd, bytes);
    }
    return !out.failed;
}

bool write_through(OutputBuffer& out, std::string_view bytes) {
    if (!flush_output(out))
        return false;
    if (out.fd < 0) {
        out.collected.append(bytes);
    } else {
        out.failed = !write_all(out.fd, bytes);
    }
    return !out.failed;
}

void put_bytes_slowly(OutputBuffer& out, std::string_view bytes) {
    while (out.capacity - out.size < bytes.size()) {
        size_t room = out.capacity - out.size;
        std::memcpy(out.data.get() + out.size, bytes.data(), room);
        out.size += room;
        bytes.remove_prefix(room);
        flush_output(out);
    }
    std::memcpy(out.data.get() + out.size, bytes.data(), bytes.size());
    out.size += bytes.size();
}

void put_blanks(OutputBuffer& out, uint64_t count) {
    while (count > 0) {
        if (out.size == out.capacity)
            flush_output(out);
        size_t room = out.capacity - out.size;
        size_t run = count < room ? static_cast<size_t>(count) : room;
        std::memset(out.data.get() + out.size, ' ', run);
        out.size += run;
        count -= run;
    }
}

std::string_view format_decimal(uint64_t value, char (&digits)[20]) {
    char* first = digits + sizeof digits;
    do {
        *--first = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    return std::string_view(first, static_cast<size_t>(digits + sizeof digits - first));
}

void put_decimal_field(OutputBuffer& out, uint64_t value, size_t width) {
    char digits[20];
    std::string_view text = format_decimal(value, digits);
    if (text.size() < width)
        put_blanks(out, width - text.size());
    put_bytes(out, text);
}

void put_decimal(OutputBuffer& out, uint64_t value) {
    put_decimal_field(out, value, 0);
}
