// Output that cannot be written: every way out reports it, and drops the rest.

#include "text/output_buffer.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

namespace {

struct FailingOutput {
    const char* what;
    const char* path;
    int flags;
};

// A full device, and a file open for reading only.
const FailingOutput kFailing[] = {
    {"full device", "/dev/full", O_WRONLY},
    {"read-only descriptor", "/dev/null", O_RDONLY},
};

TEST(OutputBuffer, FailedWritesAreReported) {
    const std::string block(10000, 'x');
    for (const FailingOutput& f : kFailing) {
        const int fd = ::open(f.path, f.flags);
        ASSERT_GE(fd, 0) << f.what;
        for (size_t buffered : {0, 5}) {
            OutputBuffer out;
            open_output(out, fd, 64);
            put_bytes(out, block.substr(0, buffered));
            EXPECT_FALSE(write_through(out, block)) << f.what << ", " << buffered << " buffered";
            EXPECT_TRUE(out.failed) << f.what;
            EXPECT_FALSE(write_through(out, "y")) << f.what << ": a failure stays";
        }
        OutputBuffer out;
        open_output(out, fd, 64);
        put_bytes(out, block);
        EXPECT_FALSE(flush_output(out)) << f.what;
        ::close(fd);
    }
}

}  // namespace
