#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// Reads a file as numbered lines by the checker's text rules:
// - a line ends at LF; every other byte, NUL included, is an ordinary byte;
// - a line's text is its bytes before its first CR, so CR LF and LF files read the same;
// - a byte 0x1A ends the file: it and everything behind it are never read;
// - a last line without LF is delivered; a file ending in LF has no empty line after it.
// A line that fits the buffer is handed out as a view into it, valid until the next call.

constexpr size_t kReadBufferSize = 256 * 1024;

enum class OpenResult { opened, cannot_open, out_of_memory };
enum class LineResult { line, end_of_file, failure };

struct Line {
    std::string_view text;
    uint64_t number = 0;
};

struct LineReader {
    int fd = -1;
    std::string name;  // as opened, for the read error message
    std::unique_ptr<char[]> buffer;
    size_t capacity = 0;
    size_t begin = 0;       // first byte not yet delivered
    size_t end = 0;         // end of the bytes read
    size_t next_cr = 0;     // first CR at or after begin, or end when there is none before end
    bool at_end = false;    // nothing left to read: end of file or a 0x1A
    std::string long_line;  // text of a line longer than the buffer
    bool long_line_open = false;
    bool long_line_cut = false;  // a CR has ended the long line's text
    uint64_t line_number = 0;    // of the last line delivered
};

OpenResult open(LineReader& reader, const std::string& name, size_t buffer_size = kReadBufferSize);

// A read error ends the run ("ERROR : can't read NAME.\n"); failure means no memory
// could be had for a long line.
LineResult next_line(LineReader& reader, Line& line);

// The file's next bytes as they stand, up to the buffer's size, for a caller that
// splits lines itself; 0x1A still ends the file. False at the end of the file.
// Not to be mixed with next_line on one reader.
bool next_chunk(LineReader& reader, std::string_view& chunk);

void close(LineReader& reader);
