// How the lines around a finding are read again: their indentation (a tab to
// the next multiple of 8), where their text starts and ends, the words after
// given columns, and only the lines of the ranges asked for.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "gate/line_shapes.h"

namespace {

std::string write_file(const std::string& text) {
    char name[] = "/tmp/line_shapes_testXXXXXX";
    int fd = mkstemp(name);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    close(fd);
    return name;
}

struct ShapeCase {
    std::string text;
    std::vector<LineRange> ranges;
    uint64_t line;
    LineShape shape;  // all 0: blank or past the end
};

TEST(LineShapes, ReadsIndentationAndTextEnds) {
    const ShapeCase cases[] = {
        {"a\n    b;\n", {{1, 2}}, 2, {4, 5, 7}},
        {"\tx\n", {{1, 1}}, 1, {8, 2, 3}},
        {"  \tx\n", {{1, 1}}, 1, {8, 4, 5}},
        {"x\n   \r\n", {{1, 2}}, 2, {0, 0, 0}},  // blanks and CR only
        {"x  \r\ny\n", {{1, 1}}, 1, {0, 1, 2}},  // trailing blanks are not text
        {"a\nb\n", {{1, 5}}, 4, {0, 0, 0}},      // past the text's end
        {"a\nb", {{2, 2}}, 2, {0, 1, 2}},        // a last line without LF
        {"a\n b\n  c\n", {{3, 3}, {1, 1}}, 3, {2, 3, 4}},
    };
    for (const ShapeCase& c : cases) {
        std::string path = write_file(c.text);
        LineShapes shapes;
        ASSERT_TRUE(read_line_shapes(path, join_ranges(c.ranges), {}, shapes));
        const LineShape* shape = line_shape(shapes, c.line);
        ASSERT_NE(shape, nullptr) << c.text;
        EXPECT_EQ(shape->indent, c.shape.indent) << c.text;
        EXPECT_EQ(shape->first_column, c.shape.first_column) << c.text;
        EXPECT_EQ(shape->end_column, c.shape.end_column) << c.text;
        std::remove(path.c_str());
    }
}

TEST(LineShapes, KeepsOnlyTheRangesAndKnowsTheEnd) {
    std::string path = write_file("a\nb\nc\nd\ne\n");
    LineShapes shapes;
    std::vector<LineRange> ranges = join_ranges({{4, 4}, {1, 2}, {2, 3}});
    ASSERT_EQ(ranges.size(), 1u);  // 1-3 and 4 meet
    ASSERT_TRUE(read_line_shapes(path, {{2, 2}, {4, 9}}, {}, shapes));
    EXPECT_EQ(line_shape(shapes, 1), nullptr);
    EXPECT_NE(line_shape(shapes, 2), nullptr);
    EXPECT_EQ(line_shape(shapes, 3), nullptr);
    EXPECT_EQ(line_shape(shapes, 5)->first_column, 1u);
    EXPECT_EQ(line_shape(shapes, 10), nullptr);
    EXPECT_EQ(shapes.end_line, 5u);
    LineShapes early;
    ASSERT_TRUE(read_line_shapes(path, {{1, 2}}, {}, early));
    EXPECT_EQ(early.end_line, 0u);  // the reading stopped before the end
    std::remove(path.c_str());
}

TEST(LineShapes, ReadsTheWordAfterEachSpot) {
    std::string path = write_file("\\begin{itemize}\n\\end{enumerate} x\n{ a }\n\\begin{item}\n");
    // Right after "\begin{", "\end{", "{" (a blank follows), at the line's end.
    std::vector<WordSpot> spots = {{1, 8}, {2, 6}, {3, 2}, {3, 6}, {4, 8}};
    LineShapes shapes;
    ASSERT_TRUE(read_line_shapes(path, {{1, 4}}, spots, shapes));
    ASSERT_EQ(shapes.words.size(), spots.size());
    EXPECT_NE(shapes.words[0], 0u);
    EXPECT_NE(shapes.words[1], 0u);
    EXPECT_NE(shapes.words[0], shapes.words[1]);
    EXPECT_EQ(shapes.words[2], 0u);
    EXPECT_EQ(shapes.words[3], 0u);
    EXPECT_NE(shapes.words[4], shapes.words[0]);  // "item" is not "itemize"
    std::remove(path.c_str());
}

}  // namespace

// Lines a person reads past: comments, directives and branch marks at the
// start of a line's text, a blank in a mark standing for a run of blanks, and
// the lines within a comment that runs on to its end.
struct AsideCase {
    std::string text;
    std::vector<LineAside> asides;  // by line
};

TEST(LineShapes, ReadsAsideLines) {
    AsideMarks marks;
    marks.marks = {{"//", LineAside::comment},         {"/*", LineAside::comment, "*/"},
                   {"# if", LineAside::branch_start},  {"# else", LineAside::branch_other},
                   {"# endif", LineAside::branch_end}, {"%", LineAside::comment}};
    const LineAside none = LineAside::none, comment = LineAside::comment;
    const AsideCase cases[] = {
        {"a;\n  // b\nc; // d\n", {none, comment, none}},
        {"#if X\n  #  ifdef Y\n#endif\n#else\n",
         {LineAside::branch_start, LineAside::branch_start, LineAside::branch_end,
          LineAside::branch_other}},
        {"#include <a>\n#iffy\n", {none, LineAside::branch_start}},  // a prefix is enough
        {"/* a\n   b\n   c */ d;\ne;\n", {comment, comment, comment, none}},
        {"/* a */\nb;\n", {comment, none}},
        {"/* a\n\n b */\nc;\n", {comment, none, comment, none}},  // the blank line stays blank
        {"x % y\n  % z\n", {none, comment}},
    };
    for (const AsideCase& c : cases) {
        std::string path = write_file(c.text);
        LineShapes shapes;
        ASSERT_TRUE(read_line_shapes(path, {{1, c.asides.size()}}, {}, shapes, marks));
        for (size_t line = 0; line < c.asides.size(); ++line) {
            const LineShape* shape = line_shape(shapes, line + 1);
            ASSERT_NE(shape, nullptr);
            EXPECT_EQ(shape->aside, c.asides[line]) << c.text << " line " << line + 1;
        }
        std::remove(path.c_str());
    }
}

TEST(LineShapes, FoldsAsideMarksWhenAsked) {
    AsideMarks marks;
    marks.marks = {{"<!--", LineAside::comment}, {"{% if", LineAside::branch_start}};
    EXPECT_EQ(starts_aside(marks, "{%  IF x %}"), nullptr);
    marks.fold = true;
    const AsideMark* found = starts_aside(marks, "{%  IF x %}");
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->kind, LineAside::branch_start);
    EXPECT_EQ(starts_aside(marks, "{%if x %}")->kind, LineAside::branch_start);
    EXPECT_EQ(starts_aside(marks, "<!- x"), nullptr);
    EXPECT_EQ(starts_aside(marks, ""), nullptr);
}

// The leads a line's text starts with: a lead ending with a letter stands for
// a whole command name, a line read past or blank has none, and the first
// byte is told as a letter or not.
struct LeadCase {
    std::string text;
    std::vector<uint16_t> leads;  // by line
    std::vector<bool> letters;    // by line
};

TEST(LineShapes, ReadsLeadsAndLetterStarts) {
    AsideMarks marks;
    marks.marks = {{"%", LineAside::comment}};
    marks.leads = {"\\part", "\\item", "\\begin{abstract}"};
    const LeadCase cases[] = {
        // A lead that ends with no letter needs no word's end after it.
        {"\\part{A}\n  \\item x\n\\begin{abstract}x\n", {1, 2, 3}, {false, false, false}},
        {"\\partial\n\\itemsep=0pt\n\\item@x\n", {0, 0, 0}, {false, false, false}},
        {"\\part*{A}\n\\item[a] b\n\\item\n", {1, 2, 2}, {false, false, false}},
        {"% \\part\n\nText \\item\n", {0, 0, 0}, {false, false, true}},
        {"\\begin{abstracts}\n\\begin{abs\n", {0, 0}, {false, false}},
    };
    for (const LeadCase& c : cases) {
        std::string path = write_file(c.text);
        LineShapes shapes;
        ASSERT_TRUE(read_line_shapes(path, {{1, c.leads.size()}}, {}, shapes, marks));
        for (size_t line = 0; line < c.leads.size(); ++line) {
            const LineShape* shape = line_shape(shapes, line + 1);
            ASSERT_NE(shape, nullptr);
            EXPECT_EQ(shape->lead, c.leads[line]) << c.text << " line " << line + 1;
            EXPECT_EQ(shape->letter_first, c.letters[line]) << c.text << " line " << line + 1;
        }
        std::remove(path.c_str());
    }
}

TEST(LineShapes, HashesAWordAsTheSpotsDo) {
    std::string path = write_file("\\end{document}\n\\end{documents}\n");
    LineShapes shapes;
    ASSERT_TRUE(read_line_shapes(path, {{1, 2}}, {{1, 6}, {2, 6}}, shapes));
    EXPECT_EQ(shapes.words[0], word_hash("document"));
    EXPECT_NE(shapes.words[1], word_hash("document"));
    EXPECT_EQ(word_hash(""), 0u);
    std::remove(path.c_str());
}
