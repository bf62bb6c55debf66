#include "text/line_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::string write_temp_file(const std::string& bytes) {
    char path[] = "/tmp/tamberlox_reader_XXXXXX";
    int fd = mkstemp(path);
    EXPECT_GE(fd, 0);
    ::close(fd);
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

std::vector<std::string> read_all_lines(const std::string& bytes, size_t buffer_size) {
    std::string path = write_temp_file(bytes);
    LineReader reader;
    EXPECT_EQ(open(reader, path, buffer_size), OpenResult::opened);
    std::vector<std::string> lines;
    Line line;
    while (next_line(reader, line) == LineResult::line) {
        EXPECT_EQ(line.number, lines.size() + 1);
        lines.emplace_back(line.text);
    }
    close(reader);
    std::remove(path.c_str());
    return lines;
}

using Lines = std::vector<std::string>;

struct ReaderCase {
    const char* what;
    std::string bytes;
    Lines expected;
};

std::string bytes_of(std::initializer_list<std::string> parts) {
    std::string all;
    for (const std::string& part : parts)
        all += part;
    return all;
}

const std::string kLong(10000, 'x');

std::vector<ReaderCase> reader_cases() {
    return {
        {"empty file", "", {}},
        {"LF line ends", "a\nbc\n", {"a", "bc"}},
        {"CR LF line ends", "a\r\nbc\r\n", {"a", "bc"}},
        {"last line without LF", "a\nbc", {"a", "bc"}},
        {"empty lines", "\n\n", {"", ""}},
        {"lone CR cuts the text", "ab\rcd\n", {"ab"}},
        {"line of only CR", "\r\nx\n", {"", "x"}},
        {"trailing CR makes a last line", "a\n\r", {"a", ""}},
        {"0x1A mid-line",
         "ab\ncd\x1a"
         "ef\ngh\n",
         {"ab", "cd"}},
        {"0x1A at a line start",
         "ab\n\x1a"
         "cd\n",
         {"ab"}},
        {"0x1A first",
         "\x1a"
         "ab\n",
         {}},
        {"NUL is an ordinary byte",
         std::string("a\0b\nc\0\n", 7),
         {std::string("a\0b", 3), std::string("c\0", 2)}},
        {"long line", kLong + "\nz\n", {kLong, "z"}},
        {"long last line without LF", "z\n" + kLong, {"z", kLong}},
        {"CR late in a long line cuts it", kLong + "\r" + kLong + "\nz\n", {kLong, "z"}},
        {"CR early in a long line cuts it",
         bytes_of({"0123456789\r", kLong, "\nz"}),
         {"0123456789", "z"}},
        {"long line with CR LF", kLong + "\r\n" + kLong + "\r\n", {kLong, kLong}},
        {"0x1A in a long line", kLong + "\x1a" + "z\n", {kLong}},
    };
}

TEST(LineReader, DeliversTextsByTheTextRules) {
    // Small buffers put lines and CRs across every kind of buffer boundary.
    for (size_t buffer_size :
         {size_t{1}, size_t{2}, size_t{3}, size_t{7}, size_t{4096}, kReadBufferSize}) {
        for (const ReaderCase& c : reader_cases()) {
            EXPECT_EQ(read_all_lines(c.bytes, buffer_size), c.expected)
                << c.what << ", buffer " << buffer_size;
        }
    }
}

TEST(LineReader, LineNumbersGoPast32Bits) {
    std::string path = write_temp_file("a\nb\n");
    LineReader reader;
    ASSERT_EQ(open(reader, path), OpenResult::opened);
    reader.line_number = UINT32_MAX;
    Line line;
    ASSERT_EQ(next_line(reader, line), LineResult::line);
    EXPECT_EQ(line.number, uint64_t{UINT32_MAX} + 1);
    ASSERT_EQ(next_line(reader, line), LineResult::line);
    EXPECT_EQ(line.number, uint64_t{UINT32_MAX} + 2);
    EXPECT_EQ(next_line(reader, line), LineResult::end_of_file);
    close(reader);
    std::remove(path.c_str());
}

TEST(LineReader, DirectoriesAndMissingFilesCannotBeOpened) {
    LineReader reader;
    EXPECT_EQ(open(reader, "/tmp"), OpenResult::cannot_open);
    EXPECT_EQ(open(reader, "/nonexistent/tamberlox"), OpenResult::cannot_open);
    EXPECT_EQ(open(reader, ""), OpenResult::cannot_open);
}

TEST(LineReaderDeathTest, ReadErrorEndsTheRun) {
    LineReader reader;
    ASSERT_EQ(open(reader, "/proc/self/mem"), OpenResult::opened);
    Line line;
    EXPECT_EXIT(next_line(reader, line), testing::ExitedWithCode(1),
                "^ERROR : can't read /proc/self/mem.\n$");
}

}  // namespace
