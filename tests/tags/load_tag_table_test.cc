#include "tags/load_tag_table.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

struct LoadCase {
    std::string directory;
    RejectionKind kind;
    std::string text;
};

// Lists from another directory come back as a table or a message, and the run goes on.
TEST(LoadTagTable, ReadsTheListsOfTheDirectoryGiven) {
    const std::string examples = TAMBERLOX_SOURCE_DIR "/examples/c";
    const LoadCase cases[] = {
        {examples, RejectionKind::none, ""},
        {examples + "/", RejectionKind::none, ""},
        {"/nonexistent", RejectionKind::cannot_open,
         "ERROR : can't open /nonexistent/_tamberlox_opn.txt."},
        {TAMBERLOX_SOURCE_DIR, RejectionKind::cannot_open,
         "ERROR : can't open " TAMBERLOX_SOURCE_DIR "/_tamberlox_opn.txt."},
    };
    for (const LoadCase& c : cases) {
        TagTableLoad load = load_tag_table(c.directory);
        bool ok = c.kind == RejectionKind::none;
        EXPECT_EQ(load.ok, ok) << c.directory;
        EXPECT_EQ(load.rejection.kind, c.kind) << c.directory;
        EXPECT_EQ(rejection_text(load.rejection), c.text) << c.directory;
        if (ok) {
            EXPECT_GT(load.table.n, 0u);
            EXPECT_EQ(load.table.opn_tag.size(), load.table.n);
            EXPECT_EQ(load.table.cls_tag.size(), load.table.n);
        }
    }
}

// Each rejection names what it is about; the checker's words put them in place.
TEST(LoadTagTable, RejectionsNameTheirListsAndNames) {
    const std::pair<ListRejection, std::string> cases[] = {
        {{RejectionKind::cannot_read, "d/o", "", "", ""}, "ERROR : can't read d/o."},
        {{RejectionKind::suspicious, "o", "", "", ""}, "ERROR : o is suspicious."},
        {{RejectionKind::collision_in_opn, "o", "", "<b", "<bold"},
         "ERROR : <b and <bold exist in o."},
        {{RejectionKind::collision_in_cls, "c", "", "}", "}}"}, "ERROR : } and }} exist in c."},
        {{RejectionKind::collision_across, "o", "c", "{", "{x"},
         "ERROR : { in o and {x in c exist."},
    };
    for (const auto& [rejection, text] : cases)
        EXPECT_EQ(rejection_text(rejection), text);
}

}  // namespace
