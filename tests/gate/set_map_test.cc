// The map file's lines, and which set a path gets from them.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gate/set_map.h"

namespace {

TEST(SetMap, ParsesLinesAndNamesTheFirstBadOne) {
    struct Case {
        const char* text;
        size_t rules;     // lines kept when good
        size_t bad_line;  // 0: good
    };
    const Case cases[] = {
        {"", 0, 0},
        {"*.html html\n", 1, 0},
        {"*.html html", 1, 0},                         // no line end at the end
        {"  *.html\t html  \r\n", 1, 0},               // blanks, tabs and CR around fields
        {"# sets\n\n   \n*.c c # C sources\n", 1, 0},  // comments and blank lines
        {"*.c c\nvendor/** -\n", 2, 0},
        {"*.c\n", 0, 1},                 // a set is missing
        {"*.c c\n*.h c extra\n", 0, 2},  // a field too many
        {"\n\n[a.c c\n", 0, 3},          // an unclosed class
        {"x\\ c\n", 0, 1},               // a pattern ending in a backslash
    };
    for (const Case& c : cases) {
        MapParse parse = parse_map_text(c.text);
        EXPECT_EQ(parse.bad_line, c.bad_line) << c.text;
        if (c.bad_line == 0)
            EXPECT_EQ(parse.lines.size(), c.rules) << c.text;
        else
            EXPECT_FALSE(parse.problem.empty()) << c.text;
    }
    MapParse parse = parse_map_text("# x\n*.tex\tlatex\n");
    ASSERT_EQ(parse.lines.size(), 1u);
    EXPECT_EQ(parse.lines[0].pattern, "*.tex");
    EXPECT_EQ(parse.lines[0].set, "latex");
    EXPECT_EQ(parse.lines[0].line, 2u);
}

TEST(SetMap, FirstMatchingLineGivesTheSetAndLeavingOutWinsEverywhere) {
    SetMap map;
    map.set_dirs = {"html", "c", "all"};
    map.rules = {{"site/keep/*.html", 2}, {"*.html", 0}, {"src/**/*.[ch]", 1}};
    map.leave_out = {"build", "*.min.html", "site/keep/old.html"};
    struct Case {
        const char* path;
        size_t set;
    };
    const Case cases[] = {
        {"index.html", 0},
        {"site/a/b.html", 0},
        {"site/keep/x.html", 2},         // the first line that matches
        {"site/keep/old.html", kNoSet},  // left out, though a line before names it
        {"src/lib/a.c", 1},
        {"src/a.py", kNoSet},          // no line names it
        {"build/index.html", kNoSet},  // inside a folder left out
        {"build", kNoSet},
        {"buildings/a.html", 0},
        {"js/app.min.html", kNoSet},
        {"../other/index.html", kNoSet},  // outside the map's folder
    };
    for (const Case& c : cases)
        EXPECT_EQ(set_for_path(map, c.path), c.set) << c.path;
}

}  // namespace
