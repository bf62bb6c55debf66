#include "rules/rules_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include <string>
#include <vector>

#include "check_support.h"
#include "gate/setup_error.h"

namespace {

// The rules in a few words: the flags by name id, then each region.
std::string describe(const TagRules& rules) {
    std::string text;
    if (rules.ignore_case)
        text += "case ";
    auto flags = [&](const char* what, const std::vector<bool>& set) {
        text += what;
        for (bool flag : set)
            text += flag ? '1' : '0';
        text += ' ';
    };
    flags("end:", rules.word_end);
    flags("self:", rules.self_closing);
    if (std::find(rules.empty_else.begin(), rules.empty_else.end(), true) != rules.empty_else.end())
        flags("else:", rules.empty_else);
    if (!rules.tag_end.empty())
        text += "tag:" + rules.tag_end + " ";
    if (!rules.tag_quotes.empty())
        text += "quotes:" + rules.tag_quotes + " ";
    if (rules.has_tag_break)
        text += std::string("break:") + rules.tag_break + " ";
    if (rules.crossing_errors)
        text += "crossing ";
    if (!rules.self_close_mark.empty())
        text += "[" + rules.self_close_mark + "|" + rules.self_close_end + "] ";
    for (size_t id = 0; id < rules.spellings.size(); ++id) {
        for (const std::string& other : rules.spellings[id])
            text += std::to_string(id) + "=" + other + " ";
    }
    for (const RegionRule& region : rules.regions) {
        const char* kinds[] = {"region",   "line",      "verb",    "definition",
                               "text-end", "directive", "declared"};
        text += std::string(kinds[static_cast<int>(region.kind)]) + "(" + region.start;
        if (region.kind == RegionKind::to_end_mark)
            text += "|" + region.end;
        if (region.kind == RegionKind::declared)
            text += "|" + region.named_start + "|" + region.named_end;
        if (region.has_escape)
            text += std::string(" esc ") + region.escape;
        if (region.has_not_after)
            text += std::string(" after ") + region.not_after;
        if (region.has_only_after)
            text += std::string(" only after ") + region.only_after;
        if (region.one_line)
            text += " one-line";
        if (region.not_in_number)
            text += " not-in-number";
        if (region.markers)
            text += " markers";
        if (region.outermost)
            text += " outermost";
        if (region.unread)
            text += " unread";
        text += ") ";
    }
    for (const BranchMark& mark : rules.branch_marks) {
        const char* roles[] = {"start", "else", "end", "false"};
        text += std::string(roles[static_cast<int>(mark.role)]) + (mark.line_start ? "^" : "") +
                "(" + mark.text + ") ";
    }
    return text;
}

const TagTable kTable = make_tag_table({"<a", "<b", "{% if"}, {"</a", "</b", "{% endif"});

struct AcceptCase {
    const char* what;
    const char* text;
    const char* expected;
};

TEST(RulesFile, ReadsEachRule) {
    const AcceptCase cases[] = {
        {"comments and blank lines", "# word-end\n\n   \t# x\n", "end:000000 self:000000 "},
        {"word end for every name", "word-end\n", "end:111111 self:000000 "},
        {"word end for the names given", "word-end </a \"{% if\"\n", "end:010010 self:000000 "},
        {"blanks and tabs between words", "\tword-end \t <b\t\n", "end:001000 self:000000 "},
        {"case", "ignore-case\n", "case end:000000 self:000000 "},
        {"self-closing open names", "self-closing /> >\n", "end:000000 self:101010 [/>|>] "},
        {"self-closing for one name", "self-closing /> > <b\n", "end:000000 self:001000 [/>|>] "},
        {"the same mark again", "self-closing /> > <a\nself-closing /> > <b\n",
         "end:000000 self:101000 [/>|>] "},
        {"region with options", "region \"\\\"\" \"\\\"\" escape \\ one-line\n",
         "end:000000 self:000000 region(\"|\" esc \\ one-line) "},
        {"line region not after a byte", "line-region % not-after \\\n",
         "end:000000 self:000000 line(% after \\) "},
        {"verb", "verb \\verb\n", "end:000000 self:000000 verb(\\verb) "},
        {"empty else branches for the pairs named", "branch-empty-else <b \"{% if\"\n",
         "end:000000 self:000000 else:001010 "},
        {"a raw string after its R", "region \"\\\"(\" )\" only-after R\n",
         "end:000000 self:000000 region(\"(|)\" only after R) "},
        {"a character constant not in a number", "region ' ' escape \\ not-in-number\n",
         "end:000000 self:000000 region('|' esc \\ not-in-number) "},
        {"markers in the comments named",
         "region /* */\nline-region //\nregion ' '\nmarkers /* //\n",
         "end:000000 self:000000 region(/*|*/ markers) line(// markers) region('|') "},
        {"backslashes stand as they are unquoted", "region \\begin{x} \\end{x}\n",
         "end:000000 self:000000 region(\\begin{x}|\\end{x}) "},
        {"quoted blanks, tabs and bytes", "region \"{% raw %}\" \"a\\tb\\x23\\\\\"\n",
         "end:000000 self:000000 region({% raw %}|a\tb#\\) "},
        {"quoted name", "word-end \"{% if\"\n", "end:000010 self:000000 "},
        {"spellings of the names that start so", "spelling \"{% \" \"{%- \" {%\n",
         "end:000000 self:000000 4={%- if 4={%if 5={%- endif 5={%endif "},
        {"end of text, outermost and unread",
         "end-of-text \\endinput\nend-of-text \\end{document} outermost\n"
         "end-of-text \"\\\\catcode`\\\\%\" unread outermost\n",
         "end:000000 self:000000 text-end(\\endinput) text-end(\\end{document} outermost) "
         "text-end(\\catcode`\\% outermost unread) "},
        {"declared regions", "declared-region \\lstnewenvironment \\begin{ \\end{\n",
         "end:000000 self:000000 declared(\\lstnewenvironment|\\begin{|\\end{) "},
        {"tag end", "tag-end >\n", "end:000000 self:000000 tag:> "},
        {"branch marks",
         "branch-start line-start \"# if\" #ifdef\nbranch-else #else\n"
         "branch-end \\fi\nbranch-false \"# if 0\"\n",
         "end:000000 self:000000 start^(# if) start^(#ifdef) else(#else) end(\\fi) "
         "false(# if 0) "},
        {"a mark named line-start", "branch-end line-start line-start\n",
         "end:000000 self:000000 end^(line-start) "},
        {"tag quotes, break and crossing", "tag-quotes \"\\\"'\"\ntag-break <\ncrossing error\n",
         "end:000000 self:000000 quotes:\"' break:< crossing "},
        {"CR LF lines", "word-end <a\r\nignore-case\r\n", "case end:100000 self:000000 "},
        {"last line without a line end", "word-end <a", "end:100000 self:000000 "},
        {"a byte-order mark first", "\xef\xbb\xbfword-end <a\n", "end:100000 self:000000 "},
    };
    for (const AcceptCase& c : cases) {
        RulesLoad load = parse_rules(c.text, "R", kTable);
        ASSERT_TRUE(load.ok) << c.what << ": " << rules_rejection_text(load.rejection);
        EXPECT_TRUE(load.rules.present) << c.what;
        EXPECT_EQ(describe(load.rules), c.expected) << c.what;
    }
}

struct RejectCase {
    const char* what;
    const char* text;
    const char* expected;
};

TEST(RulesFile, RejectsABadRuleWithItsFileAndLine) {
    const RejectCase cases[] = {
        {"unknown rule after comments", "# x\n\nword-end\nwordend\n",
         "ERROR : R, line 4: unknown rule wordend.\n"},
        {"name not in the lists", "word-end <i\n", "ERROR : R, line 1: no name <i.\n"},
        {"self-closing for a close name", "self-closing /> > </a\n",
         "ERROR : R, line 1: no open name </a.\n"},
        {"an empty else without names", "branch-empty-else\n",
         "ERROR : R, line 1: branch-empty-else takes open NAMEs.\n"},
        {"an empty else for a close name", "branch-empty-else </b\n",
         "ERROR : R, line 1: no open name </b.\n"},
        {"self-closing without its end", "self-closing />\n",
         "ERROR : R, line 1: self-closing takes MARK and END.\n"},
        {"two marks", "self-closing /> >\nself-closing / >\n",
         "ERROR : R, line 2: one MARK and END for all self-closing names.\n"},
        {"ignore-case with an argument", "ignore-case yes\n",
         "ERROR : R, line 1: ignore-case takes no argument.\n"},
        {"region without its end", "region <!--\n",
         "ERROR : R, line 1: region takes START and END.\n"},
        {"line region without its start", "line-region\n",
         "ERROR : R, line 1: line-region takes START.\n"},
        {"empty quoted mark", "region \"\" x\n", "ERROR : R, line 1: empty region mark.\n"},
        {"markers without a start", "region a b\nmarkers\n",
         "ERROR : R, line 2: markers takes START.\n"},
        {"markers before their region", "markers %\nline-region %\n",
         "ERROR : R, line 1: no region or line region starts with % before this rule.\n"},
        {"markers in a verb", "verb \\verb\nmarkers \\verb\n",
         "ERROR : R, line 2: no region or line region starts with \\verb before this rule.\n"},
        {"verb with options", "verb \\verb one-line\n",
         "ERROR : R, line 1: verb takes START alone.\n"},
        {"escape of two bytes", "region ' ' escape \\\\\n",
         "ERROR : R, line 1: escape takes one byte.\n"},
        {"escape without its byte", "region ' ' escape\n",
         "ERROR : R, line 1: escape takes one byte.\n"},
        {"one-line in a line region", "line-region // one-line\n",
         "ERROR : R, line 1: unknown region option one-line.\n"},
        {"comment outside a definition", "region a b comment %\n",
         "ERROR : R, line 1: unknown region option comment.\n"},
        {"outermost outside an end of text", "definition \\def outermost\n",
         "ERROR : R, line 1: unknown region option outermost.\n"},
        {"unread outside an end of text", "region a b unread\n",
         "ERROR : R, line 1: unknown region option unread.\n"},
        {"definition comment of two bytes", "definition \\def comment %%\n",
         "ERROR : R, line 1: comment takes one byte.\n"},
        {"definition without its start", "definition\n",
         "ERROR : R, line 1: definition takes START.\n"},
        {"end of text without its mark", "end-of-text\n",
         "ERROR : R, line 1: end-of-text takes MARK.\n"},
        {"declared region without its end", "declared-region \\newx \\begin{\n",
         "ERROR : R, line 1: declared-region takes MARK, START and END.\n"},
        {"declared region with an empty end", "declared-region \\newx \\begin{ \"\"\n",
         "ERROR : R, line 1: empty region mark.\n"},
        {"declared region with an option", "declared-region \\newx \\begin{ \\end{ word-end\n",
         "ERROR : R, line 1: unknown region option word-end.\n"},
        {"blank-runs with an argument", "blank-runs yes\n",
         "ERROR : R, line 1: blank-runs takes no argument.\n"},
        {"unknown option", "region a b twice\n",
         "ERROR : R, line 1: unknown region option twice.\n"},
        {"unclosed quote", "word-end \"<a\n",
         "ERROR : R, line 1: quoted argument without its closing '\"'.\n"},
        {"unknown escape", "word-end \"<\\a\"\n",
         "ERROR : R, line 1: unknown escape in a quoted argument.\n"},
        {"short hex escape", "word-end \"\\x3\"\n",
         "ERROR : R, line 1: unknown escape in a quoted argument.\n"},
        {"text right after a quote", "word-end \"<a\"x\n",
         "ERROR : R, line 1: blank expected after a quoted argument.\n"},
        {"tag end without END", "tag-end\n", "ERROR : R, line 1: tag-end takes END.\n"},
        {"spelling without TO", "spelling {%\n",
         "ERROR : R, line 1: spelling takes FROM and TO.\n"},
        {"branch rule without marks", "branch-start line-start\n",
         "ERROR : R, line 1: branch-start takes MARKs on one line, none empty or starting with a "
         "blank.\n"},
        {"branch mark starting with a blank", "branch-end \" fi\"\n",
         "ERROR : R, line 1: branch-end takes MARKs on one line, none empty or starting with a "
         "blank.\n"},
        {"branch mark holding a line end", "branch-start \"#\\x0aif\"\n",
         "ERROR : R, line 1: a quoted argument holds no CR, LF or 0x1A.\n"},
        {"spelling to nothing", "spelling \"{% if\" \"\"\n",
         "ERROR : R, line 1: spelling makes an empty name.\n"},
        {"a quoted LF", "word-end\nregion \"{\" \"\\x0a\"\n",
         "ERROR : R, line 2: a quoted argument holds no CR, LF or 0x1A.\n"},
        {"a quoted CR", "verb \"\\x0D\"\n",
         "ERROR : R, line 1: a quoted argument holds no CR, LF or 0x1A.\n"},
        {"a quoted 0x1A", "line-region \"%\\x1a\"\n",
         "ERROR : R, line 1: a quoted argument holds no CR, LF or 0x1A.\n"},
        {"a bare CR", "word-end\rignore-case\n", "ERROR : R, line 1: CR without an LF after it.\n"},
        {"a 0x1A cuts nothing short", "word-end\n# x\n\x1aignore-case\n",
         "ERROR : R, line 3: byte 0x1A, which would end the file here.\n"},
        {"the first fault counts", "bad\n\r\n\r\r\n", "ERROR : R, line 1: unknown rule bad.\n"},
        {"a second tag end", "tag-end >\ntag-end />\n",
         "ERROR : R, line 2: tag-end given twice.\n"},
        {"a second escape", "region ' ' escape \\ escape '\n",
         "ERROR : R, line 1: escape given twice.\n"},
        {"a second not-after", "line-region % not-after \\ not-after %\n",
         "ERROR : R, line 1: not-after given twice.\n"},
        {"a second only-after", "region \"\\\"(\" )\" only-after R only-after u\n",
         "ERROR : R, line 1: only-after given twice.\n"},
        {"tag quotes twice", "tag-quotes \"\\\"\"\ntag-quotes '\n",
         "ERROR : R, line 2: tag-quotes given twice.\n"},
        {"tag quotes without any", "tag-quotes\n", "ERROR : R, line 1: tag-quotes takes QUOTES.\n"},
        {"a break of two bytes", "tag-break <<\n",
         "ERROR : R, line 1: tag-break takes one byte.\n"},
        {"a break twice", "tag-break <\ntag-break <\n",
         "ERROR : R, line 2: tag-break given twice.\n"},
        {"crossing neither error nor warning", "crossing fatal\n",
         "ERROR : R, line 1: crossing takes error or warning.\n"},
        {"a mark not at the start", "word-end\n\xef\xbb\xbfignore-case\n",
         "ERROR : R, line 2: unknown rule \xef\xbb\xbfignore-case.\n"},
    };
    for (const RejectCase& c : cases) {
        RulesLoad load = parse_rules(c.text, "R", kTable);
        EXPECT_FALSE(load.ok) << c.what;
        EXPECT_EQ(rules_rejection_text(load.rejection) + "\n", c.expected) << c.what;
    }
}

TEST(RulesFile, NoFileMeansNoRulesAndABadOneAnError) {
    char dir_template[] = "/tmp/tamberlox_rules_XXXXXX";
    ASSERT_NE(mkdtemp(dir_template), nullptr);
    std::string dir = dir_template;
    RulesLoad absent = load_rules(dir, kTable);
    EXPECT_TRUE(absent.ok);
    EXPECT_FALSE(absent.rules.present);
    EXPECT_EQ(describe(absent.rules), "end:000000 self:000000 ");
    std::string path = dir + "/" + kRulesFile;
    FILE* file = std::fopen(path.c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fputs("word-end\nbad\n", file);
    std::fclose(file);
    RulesLoad bad = load_rules(dir, kTable);
    EXPECT_FALSE(bad.ok);
    EXPECT_EQ(rules_rejection_text(bad.rejection) + "\n",
              "ERROR : " + path + ", line 2: unknown rule bad.\n");
    file = std::fopen(path.c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fwrite("word-end\n\x1a\nbad\n", 1, 15, file);
    std::fclose(file);
    RulesLoad cut = load_rules(dir, kTable);
    EXPECT_FALSE(cut.ok);
    EXPECT_EQ(rules_rejection_text(cut.rejection) + "\n",
              "ERROR : " + path + ", line 2: byte 0x1A, which would end the file here.\n");
    std::remove(path.c_str());
    ASSERT_EQ(symlink(kRulesFile, path.c_str()), 0);  // a loop: there, but never opened
    RulesLoad looped = load_rules(dir, kTable);
    EXPECT_FALSE(looped.ok);
    EXPECT_EQ(rules_rejection_text(looped.rejection) + "\n", "ERROR : can't open " + path + ".\n");
    std::remove(path.c_str());
    rmdir(dir.c_str());
}

}  // namespace
