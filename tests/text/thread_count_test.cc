// Thread counts as users give them.

#include <gtest/gtest.h>

#include <algorithm>
#include <string_view>
#include <utility>

#include "text/thread_group.h"

namespace {

TEST(ThreadCount, DigitsFromOneOnCappedAtTheMost) {
    const std::pair<std::string_view, size_t> accepted[] = {
        {"1", 1},     {"3", 3},     {"007", 7},
        {"256", 256}, {"257", 256}, {"99999999999999999999999", 256},
    };
    for (const auto& [text, count] : accepted) {
        size_t parsed = 0;
        EXPECT_TRUE(parse_thread_count(text, parsed)) << text;
        EXPECT_EQ(parsed, count) << text;
    }
    for (std::string_view text : {"", "0", "000", "-2", "+2", " 2", "2 ", "4x", "0x10"}) {
        size_t parsed = 5;
        EXPECT_FALSE(parse_thread_count(text, parsed)) << text;
        EXPECT_EQ(parsed, 5u) << text;
    }
    EXPECT_EQ(threads_to_use(0), std::min(available_cores(), kMostThreads));
    EXPECT_EQ(threads_to_use(3), 3u);
    EXPECT_EQ(threads_to_use(100000), kMostThreads);
}

}  // namespace
