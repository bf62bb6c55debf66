#include "tags/load_tag_table.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct LoadCase {
    std::string directory;
    bool ok;
    std::string message;
};

// Lists from another directory come back as a table or a message, and the run goes on.
TEST(LoadTagTable, ReadsTheListsOfTheDirectoryGiven) {
    const std::string examples = TAMBERLOX_SOURCE_DIR "/examples/c";
    const LoadCase cases[] = {
        {examples, true, ""},
        {examples + "/", true, ""},
        {"/nonexistent", false, "ERROR : can't open /nonexistent/_tamberlox_opn.txt.\n"},
        {TAMBERLOX_SOURCE_DIR, false,
         "ERROR : can't open " TAMBERLOX_SOURCE_DIR "/_tamberlox_opn.txt.\n"},
    };
    for (const LoadCase& c : cases) {
        TagTableLoad load = load_tag_table(c.directory);
        EXPECT_EQ(load.ok, c.ok) << c.directory;
        EXPECT_EQ(load.message, c.message) << c.directory;
        if (c.ok) {
            EXPECT_GT(load.table.n, 0u);
            EXPECT_EQ(load.table.opn_tag.size(), load.table.n);
            EXPECT_EQ(load.table.cls_tag.size(), load.table.n);
        }
    }
}

}  // namespace
