#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

// Collects output in one large buffer and writes it with few write(2) calls.
// A failed write sets `failed`, and from then on the output is dropped.
// With fd < 0 the bytes go to `collected` instead: for output to be written
// later or elsewhere (a gate report kept until its file's turn, the texts of
// the report's lines formatted once), and for tests and fuzzing.

struct OutputBuffer {
    int fd = -1;
    std::unique_ptr<char[]> data;
    size_t size = 0;
    size_t capacity = 0;
    bool failed = false;
    std::string collected;
};

// Writes all of `bytes`, going on after short writes; false when a write fails.
bool write_all(int fd, std::string_view bytes);

// Throws std::bad_alloc when the buffer cannot be had.
void open_output(OutputBuffer& out, int fd, size_t capacity);
// Writes through memory the caller is done with, such as a read buffer.
void open_output(OutputBuffer& out, int fd, std::unique_ptr<char[]> memory, size_t capacity);

// False once a write has failed.
bool flush_output(OutputBuffer& out);

void put_bytes_slowly(OutputBuffer& out, std::string_view bytes);

// Writes what is buffered, then `bytes` straight from where they are: for
// large blocks formatted elsewhere, which need no copy. False once a write
// has failed.
bool write_through(OutputBuffer& out, std::string_view bytes);

// Hot: a change needs a benchmark run.
inline void put_bytes(OutputBuffer& out, std::string_view bytes) {
    if (out.capacity - out.size < bytes.size())
        return put_bytes_slowly(out, bytes);
    std::memcpy(out.data.get() + out.size, bytes.data(), bytes.size());
    out.size += bytes.size();
}

void put_blanks(OutputBuffer& out, uint64_t count);
void put_decimal(OutputBuffer& out, uint64_t value);

// The decimal digits of value, written at the end of `digits`.
std::string_view format_decimal(uint64_t value, char (&digits)[20]);

// value right-aligned in a field of `width` characters, wider if it needs more.
void put_decimal_field(OutputBuffer& out, uint64_t value, size_t width);
