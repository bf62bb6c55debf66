// Path patterns as the map file and --exclude write them.

#include <gtest/gtest.h>

#include <string>

#include "gate/path_glob.h"
#include "gate/path_names.h"

namespace {

TEST(PathGlob, MatchesPathsAsShellPatternsWithSegments) {
    struct Case {
        const char* pattern;
        const char* path;
        bool matches;
    };
    const Case cases[] = {
        // Without a slash: the last segment, at any depth.
        {"*.html", "index.html", true},
        {"*.html", "site/a/index.html", true},
        {"*.html", "site/index.html.bak", false},
        {"*.html", "site.html/readme", false},
        {"?.c", "a.c", true},
        {"?.c", "ab.c", false},
        {"*", "", true},
        // With a slash: the whole path; '*' and '?' stop at '/'.
        {"src/*.c", "src/a.c", true},
        {"src/*.c", "src/lib/a.c", false},
        {"src/*.c", "other/src/a.c", false},
        {"/src/*.c", "src/a.c", true},
        {"src?a.c", "src/a.c", false},
        // '**' as a segment: any number of segments, none included.
        {"src/**/*.[ch]", "src/a.c", true},
        {"src/**/*.[ch]", "src/x/y/a.h", true},
        {"src/**/*.[ch]", "src/x/y/a.o", false},
        {"**/test/*", "test/a", true},
        {"**/test/*", "a/b/test/c", true},
        {"vendor/**", "vendor", true},
        {"vendor/**", "vendor/a/b", true},
        {"vendor/**", "vendors/a", false},
        {"a/**/b/**/c", "a/b/c", true},
        {"a/**/b/**/c", "a/x/b/y/z/c", true},
        {"a/**/b/**/c", "a/x/c", false},
        // Classes: ranges, complements, ']' first, never '/'.
        {"[a-c]x", "bx", true},
        {"[a-c]x", "dx", false},
        {"[!a-c]x", "dx", true},
        {"[^a-c]x", "ax", false},
        {"[]]", "]", true},
        {"[a-]", "-", true},
        {"x[!y]z", "x/z", false},
        // A backslash takes the next byte as it stands.
        {"\\*.c", "*.c", true},
        {"\\*.c", "a.c", false},
        {"a\\[b", "a[b", true},
        // Stars back off as far as they must.
        {"*a*a*b", "aaaaaaaaaaaaaaaaab", true},
        {"*a*a*b", "aaaaaaaaaaaaaaaaaa", false},
        {"*.tar.gz", "x.tar.tar.gz", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(glob_matches(c.pattern, c.path), c.matches) << c.pattern << " on " << c.path;
}

TEST(PathGlob, NamesWhatMakesAPatternBad) {
    struct Case {
        const char* pattern;
        bool good;
    };
    const Case cases[] = {
        {"*.html", true}, {"[ab]", true}, {"[]]", true}, {"[", false},   {"a[b", false},
        {"[!]", false},   {"x\\", false}, {"", false},   {"x\\[", true}, {"src/**", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(glob_problem(c.pattern).empty(), c.good) << c.pattern;
}

TEST(PathNames, RelativePathsBetweenAbsoluteOnes) {
    struct Case {
        const char* top;
        const char* path;
        const char* relative;
    };
    const Case cases[] = {
        {"/r", "/r/a/b", "a/b"}, {"/r", "/r", "."},          {"/r/x", "/r/y/z", "../y/z"},
        {"/", "/a", "a"},        {"/r", "/rr/a", "../rr/a"}, {"/r/", "/r/a", "a"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(relative_path(c.top, c.path), c.relative) << c.top << " " << c.path;
    EXPECT_EQ(absolute_path("/a/./b//c/../d"), "/a/b/d");
    EXPECT_EQ(absolute_path("/.."), "/");
    EXPECT_EQ(child_path(".", "x"), "x");
    EXPECT_EQ(child_path("d/", "x"), "d/x");
}

}  // namespace
