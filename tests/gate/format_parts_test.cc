// What every output format writes alike: why a file could not be checked.

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "gate/format_parts.h"

namespace {

struct FailureCase {
    FileStatus status;
    int error_number;
    std::string expected;
};

TEST(FormatParts, FileFailuresWordedFromTheirErrno) {
    const FailureCase cases[] = {
        {FileStatus::cannot_open, ENOENT, "can't open: No such file or directory"},
        {FileStatus::cannot_open, EISDIR, "can't open: Is a directory"},
        {FileStatus::cannot_read, EIO, "can't read: Input/output error"},
        // A read that failed without an errno still says what failed.
        {FileStatus::cannot_read, 0, "can't read: read error"},
        {FileStatus::out_of_memory, ENOMEM, "can't check: Cannot allocate memory"},
    };
    for (const FailureCase& c : cases)
        EXPECT_EQ(file_error_text(c.status, c.error_number), c.expected) << c.expected;
}

}  // namespace
