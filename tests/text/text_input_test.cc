// Reading files: the chunks of the checked file, ranges read at an offset, and
// list files read whole and split into lines.

#include <gtest/gtest.h>
#include <pthread.h>
#include <unistd.h>

#include <csignal>
#include <string>
#include <thread>
#include <vector>

#include "check_support.h"
#include "text/file_reader.h"
#include "text/output_buffer.h"

namespace {

std::vector<std::string> read_all_lines(const std::string& bytes, size_t buffer_size) {
    ScratchFile file;
    fill_scratch_file(file, bytes);
    return read_list_lines_in_process(file.path, buffer_size);
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

TEST(TextInput, ListLinesFollowTheTextRules) {
    // Small buffers put lines and CRs across every kind of buffer boundary.
    for (size_t buffer_size :
         {size_t{1}, size_t{2}, size_t{3}, size_t{7}, size_t{4096}, kReadBufferSize}) {
        for (const ReaderCase& c : reader_cases()) {
            EXPECT_EQ(read_all_lines(c.bytes, buffer_size), c.expected)
                << c.what << ", buffer " << buffer_size;
        }
    }
}

// A list through a pipe, whose size no one knows before it ends, is read whole.
TEST(TextInput, WholeFilesFromPipes) {
    for (size_t size : {15, 16, 4096, 4097, 300000}) {
        for (size_t read_size : {size_t{7}, kReadBufferSize}) {
            std::string bytes;
            for (size_t i = 0; i < size; ++i)
                bytes += static_cast<char>('a' + i % 23);
            int ends[2];
            ASSERT_EQ(::pipe(ends), 0);
            // A reader that stops early must not leave the writer stuck, nor
            // have it killed by SIGPIPE.
            std::thread writer([&] {
                sigset_t pipe_signal;
                sigemptyset(&pipe_signal);
                sigaddset(&pipe_signal, SIGPIPE);
                pthread_sigmask(SIG_BLOCK, &pipe_signal, nullptr);
                write_all(ends[1], bytes);
                ::close(ends[1]);
            });
            std::string got;
            WholeFileStatus status =
                read_whole_file("/proc/self/fd/" + std::to_string(ends[0]), got, read_size);
            ::close(ends[0]);
            writer.join();
            EXPECT_EQ(status, WholeFileStatus::read) << size;
            EXPECT_TRUE(got == bytes)
                << got.size() << " of " << size << " bytes, read " << read_size << " at a time";
        }
    }
}

TEST(TextInput, DirectoriesAndMissingFilesCannotBeOpened) {
    for (const char* name : {"/tmp", "/nonexistent/tamberlox", ""}) {
        FileReader reader;
        EXPECT_FALSE(open_file_reader(reader, name)) << name;
        std::string bytes;
        EXPECT_EQ(read_whole_file(name, bytes), WholeFileStatus::cannot_open) << name;
    }
}

// Reading a process's own memory from offset 0 fails: an error, not an end.
TEST(TextInput, ReadErrorIsNoEndOfFile) {
    FileReader reader;
    ASSERT_TRUE(open_file_reader(reader, "/proc/self/mem"));
    std::string_view chunk;
    EXPECT_EQ(read_chunk(reader, chunk), ReadStatus::error);
    std::string bytes;
    EXPECT_EQ(read_whole_file("/proc/self/mem", bytes), WholeFileStatus::read_error);
}

// The checked file's chunks stop at the first 0x1A, wherever the reads fall.
TEST(TextInput, ChunksEndAtTheEndOfFileByte) {
    const std::string bytes = std::string(10, 'a') + "\x1a" + "b";
    ScratchFile file;
    fill_scratch_file(file, bytes);
    for (size_t buffer_size : {size_t{1}, size_t{4}, size_t{11}, kReadBufferSize}) {
        FileReader reader;
        ASSERT_TRUE(open_file_reader(reader, file.path, buffer_size));
        std::string read;
        std::string_view chunk;
        while (read_chunk(reader, chunk) == ReadStatus::chunk)
            read += chunk;
        EXPECT_EQ(read, std::string(10, 'a')) << buffer_size;
        EXPECT_EQ(read_chunk(reader, chunk), ReadStatus::end);
    }
}

// A range read ends at the first 0x1A, wherever the read starts.
TEST(TextInput, RangesEndAtTheEndOfFileByte) {
    ScratchFile file;
    fill_scratch_file(file, std::string("ab\ncd\x1a"
                                        "ef\x1a",
                                        9));
    struct Case {
        uint64_t offset;
        size_t room;
        ReadStatus status;
        std::string bytes;
        bool ends_text;
    };
    const Case cases[] = {
        {0, 3, ReadStatus::chunk, "ab\n", false}, {0, 64, ReadStatus::chunk, "ab\ncd", true},
        {4, 64, ReadStatus::chunk, "d", true},    {5, 64, ReadStatus::end, "", true},
        {6, 2, ReadStatus::chunk, "ef", false},   {9, 64, ReadStatus::end, "", false},
    };
    char buffer[64];
    for (const Case& c : cases) {
        size_t size = 99;
        bool ends_text = !c.ends_text;
        EXPECT_EQ(read_at(file.fd, c.offset, buffer, c.room, size, ends_text), c.status)
            << c.offset;
        EXPECT_EQ(std::string(buffer, size), c.bytes) << c.offset;
        EXPECT_EQ(ends_text, c.ends_text) << c.offset;
    }
    size_t size;
    bool ends_text;
    EXPECT_EQ(read_at(-1, 0, buffer, 8, size, ends_text), ReadStatus::error);
}

}  // namespace
