#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// Reads a file whole, in chunks of its bytes as they stand, or in ranges at
// given offsets. A byte 0x1A ends the file's text: it and everything behind it
// are never handed out. Lines, CR and LF are left to the caller.

constexpr size_t kReadBufferSize = 256 * 1024;

struct FileReader {
    int fd = -1;
    std::unique_ptr<char[]> buffer;
    size_t capacity = 0;
    bool at_end = false;  // end of file, or a 0x1A seen

    FileReader() = default;
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;
    ~FileReader();
};

// False when the file cannot be opened for reading; a directory cannot.
// Throws std::bad_alloc when the buffer cannot be had.
bool open_file_reader(FileReader& reader, const std::string& name,
                      size_t buffer_size = kReadBufferSize);

// Reads from the open descriptor `fd`, which the reader closes when done; as
// open_file_reader, false (and `fd` closed) for a directory.
bool adopt_file_reader(FileReader& reader, int fd, size_t buffer_size = kReadBufferSize);

// Closes the file; the buffer stays for whoever takes it over.
void close_file_reader(FileReader& reader);

enum class ReadStatus { chunk, end, error };

// The file's next bytes, up to the buffer's size, as a view into the buffer that
// holds until the next call; a chunk is never empty. A read error is `error`,
// never taken for the end of the file.
ReadStatus read_chunk(FileReader& reader, std::string_view& chunk);

// Cuts `size` back to the bytes before the first 0x1A among them; true when
// there was one, which ends the file's text.
bool cut_at_end_of_text(const char* bytes, size_t& size);

// Up to `room` bytes at `offset` of the file open as fd (pread), cut at a 0x1A
// as cut_at_end_of_text does, `ends_text` set when it was. `end` only at the
// end of the file or at a 0x1A at `offset`; a read error is `error`.
ReadStatus read_at(int fd, uint64_t offset, char* buffer, size_t room, size_t& size,
                   bool& ends_text);

enum class WholeFileStatus { read, cannot_open, read_error };

// All of the file's bytes up to its first 0x1A, for files held in memory anyway,
// read `read_size` bytes at a time at most. Throws std::bad_alloc when memory
// runs out.
WholeFileStatus read_whole_file(const std::string& name, std::string& bytes,
                                size_t read_size = kReadBufferSize);
