// The rules, each kind on its own, as the reference applies them: which names
// are kept where, and the verdict. The same cases hold for any engine that reads
// rules.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "check_support.h"
#include "gate/setup_error.h"
#include "reference_check.h"
#include "reference_rules.h"
#include "rules/declared_region.h"
#include "rules/number_before.h"
#include "rules_engine_support.h"

namespace {

using Names = std::vector<std::string>;

// The kept names as "name@line:column" joined by blanks, the broken tags as
// "broken@line:column", and "!" after them when the file fails.
std::string trace(const TagTable& table, const RulesCheck& check) {
    std::string text;
    for (const KeptName& kept : check.kept) {
        text += name_of(table, 2 * kept.pair + (kept.kind == KeptKind::cls));
        text += '@';
        text += std::to_string(kept.line);
        text += ':';
        text += std::to_string(kept.column);
        text += ' ';
    }
    for (const BrokenTagPlace& broken : check.broken)
        text.append("broken@")
            .append(std::to_string(broken.line))
            .append(":")
            .append(std::to_string(broken.column))
            .append(" ");
    for (const BranchWarning& warning : check.branch_warnings)
        text.append("~")
            .append(std::to_string(warning.place.line))
            .append(":")
            .append(std::to_string(warning.place.column))
            .append("<")
            .append(std::to_string(warning.first_line))
            .append(" ");
    return text + (check.ok ? "ok" : "!");
}

struct RuleCase {
    std::string what;
    std::string rules;
    std::string text;
    std::string expected;
};

struct RuleGroup {
    Names opn_tag;
    Names cls_tag;
    std::vector<RuleCase> cases;
};

void run_group(const RuleGroup& group) {
    TagTable table = make_tag_table(group.opn_tag, group.cls_tag);
    for (const RuleCase& c : group.cases) {
        RulesLoad load = parse_rules(c.rules, "R", table);
        ASSERT_TRUE(load.ok) << c.what << ": " << rules_rejection_text(load.rejection);
        RulesCheck check = reference_rules_check(c.text, table, load.rules);
        EXPECT_EQ(trace(table, check), c.expected) << c.what;
        // The gate's engine, the text whole and byte by byte.
        for (size_t chunk : {size_t{1}, size_t{1} << 16}) {
            RulesCheck engine = engine_rules_check(c.text, table, load.rules, chunk, chunk);
            EXPECT_EQ(rules_check_differences(table, check, engine), "")
                << c.what << ", chunks of " << chunk;
        }
    }
}

TEST(RulesReference, WordEnd) {
    run_group({{"<em", "<embed", "<b"},
               {"</em", "</embed", "</b"},
               {
                   {"bare and with attributes", "word-end\n", "<em>x</em><em class=a>y</em >",
                    "<em@1:1 </em@1:6 <em@1:11 </em@1:24 ok"},
                   {"a longer element is not the name", "word-end\n", "<embed src=x></embed>",
                    "<embed@1:1 </embed@1:14 ok"},
                   {"at the line's end", "word-end\n", "<b\nclass=x>t</b\n>", "<b@1:1 </b@2:10 ok"},
                   {"every word byte stops it", "word-end\n", "<b-x <b_x <b:x <b.x <b9 <bZ", "ok"},
                   {"only the names given", "word-end </b\n", "<b> <bx", "<b@1:1 <b@1:5 !"},
               }});
}

TEST(RulesReference, IgnoreCase) {
    run_group(
        {{"<title"},
         {"</title>"},
         {
             {"names fold", "ignore-case\n", "<title>T</TITLE>", "<title@1:1 </title>@1:9 ok"},
             {"a crossing in capitals", "ignore-case\n", "<TITLE><Title></title>",
              "<title@1:1 <title@1:8 </title>@1:15 !"},
             {"without the rule bytes differ", "", "<title>T</TITLE>", "<title@1:1 !"},
         }});
}

TEST(RulesReference, SelfClosing) {
    run_group(
        {{"<a", "<td"},
         {"</a", "</td"},
         {
             {"closes itself", "word-end\nself-closing /> >\n", "<a name=\"x\"/><td class=\"y\" />",
              "ok"},
             {"an ordinary tag is kept", "word-end\nself-closing /> >\n", "<a href=x>t</a>",
              "<a@1:1 </a@1:12 ok"},
             {"a tag over lines", "word-end\nself-closing /> >\n", "<a\n name=x\n/>", "ok"},
             {"only the first end counts", "word-end\nself-closing /> >\n", "<a href=x>t/></a>",
              "<a@1:1 </a@1:14 ok"},
             {"only the names given", "word-end\nself-closing /> > <a\n", "<a/><td/>", "<td@1:5 !"},
             {"no end before the text ends", "word-end\nself-closing /> >\n", "<a x", "<a@1:1 !"},
             {"marks fold too", "ignore-case\nself-closing /X> >\n", "<A /x>", "ok"},
         }});
}

// The tag is the name and what follows it: a mark may take bytes of the name,
// never bytes before it.
TEST(RulesReference, SelfClosingMarkOverTheName) {
    run_group({{"ab", "<x/"},
               {"</ab", "</x"},
               {
                   {"the mark's first byte in the name", "self-closing \"b>\" >\n", "ab>", "ok"},
                   {"a slash of the name", "self-closing /> >\n", "<x/>", "ok"},
                   {"a blank between", "self-closing /> >\n", "<x/ >", "<x/@1:1 !"},
                   {"no byte before the name", "self-closing \"xab>\" >\n", "xab>", "ab@1:2 !"},
                   {"the whole name and its end", "self-closing \"ab>\" >\n", "ab>", "ok"},
               }});
}

TEST(RulesReference, RegionsToAnEndMark) {
    run_group({{"<b", "<script"},
               {"</b", "</script"},
               {
                   {"names in a comment", "region <!-- -->\n", "<!-- </b> -->", "ok"},
                   {"a comment over lines", "region <!-- -->\n", "<b><!--\n</b>\n--></b>",
                    "<b@1:1 </b@3:4 ok"},
                   {"the end is looked for after the start", "region <!-- -->\n", "<!-->--></b>",
                    "</b@1:9 !"},
                   {"the text ends in the region", "region <!-- -->\n", "<b><!-- </b>", "<b@1:1 !"},
                   {"a region start before a name", "region <script </script>\n",
                    "<script>if (a<b) x = \"</b\";</script>", "ok"},
                   {"the first region in file order", "region <! >\nregion <!-- -->\n",
                    "<!-- x > </b> -->", "</b@1:10 !"},
                   {"regions fold", "ignore-case\nregion <!-- -->\nregion <script </script>\n",
                    "<SCRIPT></b></Script>", "ok"},
               }});
}

TEST(RulesReference, EscapesAndOneLineRegions) {
    const char* c_rules =
        "region \"\\\"\" \"\\\"\" escape \\ one-line\n"
        "region ' ' escape \\ one-line\nregion /* */\nline-region //\n";
    run_group({{"{"},
               {"}"},
               {
                   {"an escaped quote", c_rules, "\"a\\\"{\" {}", "{@1:8 }@1:9 ok"},
                   {"an escaped backslash ends", c_rules, "\"\\\\\"{}", "{@1:5 }@1:6 ok"},
                   {"three backslashes", c_rules, "'\\\\\\'{' {}", "{@1:9 }@1:10 ok"},
                   {"character constants", c_rules, "c = '{'; {}", "{@1:10 }@1:11 ok"},
                   {"one-line ends at the line's end", c_rules, "#error don't {\n}", "}@2:1 !"},
                   {"an escaped line end goes on", c_rules, "\"a\\\n{\" {}", "{@2:4 }@2:5 ok"},
                   {"a comment over lines", c_rules, "/* {\n */ {}", "{@2:5 }@2:6 ok"},
                   {"a line comment", c_rules, "{ // }\n}", "{@1:1 }@2:1 ok"},
                   {"a quote in a comment", c_rules, "/* don't */ {}", "{@1:13 }@1:14 ok"},
                   {"a comment in a string", c_rules, "\"/*\" {}", "{@1:6 }@1:7 ok"},
                   {"an unclosed comment fails", c_rules, "{} /* x", "{@1:1 }@1:2 !"},
               }});
}

TEST(RulesReference, QuotesInNumbers) {
    const char* c_rules = "region ' ' escape \\ one-line not-in-number\n";
    const std::string long_run = std::string(1, '1').append(kNumberReach, 'e');
    const std::string longest_number = std::string(1, '1').append(kNumberReach - 1, 'e');
    run_group({{"("},
               {")"},
               {
                   {"a digit separator", c_rules, "f(1'000'000)", "(@1:2 )@1:12 ok"},
                   {"in a hexadecimal number", c_rules, "f(0x3f80'0000)", "(@1:2 )@1:14 ok"},
                   {"after a hexadecimal letter", c_rules, "f(0xab'cd'ef)", "(@1:2 )@1:13 ok"},
                   {"a fraction", c_rules, "f(.5'0)", "(@1:2 )@1:7 ok"},
                   {"a prefixed constant", c_rules, "f(u8')', L')')", "(@1:2 )@1:14 ok"},
                   {"after a name", c_rules, "f(x1')')", "(@1:2 )@1:8 ok"},
                   {"a case range", c_rules, "f('0'...')')", "(@1:2 )@1:12 ok"},
                   {"at a line's start", c_rules, "f(1\n')')", "(@1:2 )@2:4 ok"},
                   {"a run too long for a number", c_rules, "f(" + long_run + "')')",
                    "(@1:2 )@1:" + std::to_string(long_run.size() + 6) + " ok"},
                   {"the longest number", c_rules, "f(" + longest_number + "')')",
                    "(@1:2 )@1:" + std::to_string(longest_number.size() + 4) + " ok"},
               }});
}

TEST(RulesReference, RawStringsAfterTheirR) {
    const char* c_rules =
        "region \"\\\"(\" \")\\\"\" only-after R\nregion \"\\\"\" \"\\\"\" escape \\ one-line\n";
    run_group(
        {{"(", "{"},
         {")", "}"},
         {
             {"a raw string", c_rules, "f(R\"(x)y)\")", "(@1:2 )@1:11 ok"},
             {"a string that begins with a parenthesis", c_rules, "f(\"(x)\")", "(@1:2 )@1:8 ok"},
             {"a prefix before the R", c_rules, "f(u8R\"({)\")", "(@1:2 )@1:11 ok"},
             {"over lines", c_rules, "R\"(\n{\n)\" {}", "{@3:4 }@3:5 ok"},
             {"at a line's start, no R before", c_rules, "x\n\"(\" {}", "{@2:5 }@2:6 ok"},
         }});
}

TEST(RulesReference, LineRegionsAndVerb) {
    const char* latex_rules = "line-region % not-after \\\nverb \\verb\n";
    run_group(
        {{"\\begin{"},
         {"\\end{"},
         {
             {"a comment", latex_rules, "% \\begin{x}\n", "ok"},
             {"an escaped percent sign", latex_rules, "50\\% \\begin{x}\\end{x}",
              "\\begin{@1:6 \\end{@1:15 ok"},
             {"a line break, then a comment", latex_rules, "\\\\% \\begin{x}", "ok"},
             {"verb", latex_rules, "\\verb|\\end{x}| \\verb+\\begin{+", "ok"},
             {"verb with a star", latex_rules, "\\verb*!\\end{!", "ok"},
             {"a letter after verb is a longer command", latex_rules, "\\verbatim \\end{x}",
              "\\end{@1:11 !"},
             {"verb ends at the line's end", latex_rules, "\\verb|\\end{\n\\end{", "\\end{@2:1 !"},
             {"a blank is no delimiter", latex_rules, "\\verb \\end{", "\\end{@1:7 !"},
             {"a comment in verb", latex_rules, "\\verb|%|\\begin{x}", "\\begin{@1:9 !"},
         }});
}

TEST(RulesReference, TagEnd) {
    const char* html = "word-end\ntag-end >\nself-closing /> >\n";
    run_group(
        {{"<a", "<ol", "<blockquote"},
         {"</a", "</ol", "</blockquote"},
         {
             {"a name in an attribute", html, "<a title=\"</a>\">x</a>", "<a@1:1 </a@1:18 ok"},
             {"an end tag that swallows the next", html, "<blockquote><ol>x</ol</blockquote>\n<a/>",
              "<blockquote@1:1 <ol@1:13 </ol@1:18 !"},
             {"a tag over lines", html, "<a\nhref=\"</ol>\"\n>x</a>", "<a@1:1 </a@3:3 ok"},
             {"a tag never ended", html, "<a>x</a", "<a@1:1 </a@1:5 !"},
             {"without tag end every place counts", "word-end\n", "<a title=\"</a>\">",
              "<a@1:1 </a@1:11 ok"},
         }});
}

TEST(RulesReference, QuotesAndBreaksInTags) {
    const char* html =
        "word-end\ntag-end >\nself-closing /> >\ntag-quotes \"\\\"'\"\ntag-break <\n";
    const char* no_tag_end = "word-end\nself-closing /> >\ntag-quotes \"\\\"\"\ntag-break <\n";
    run_group(
        {{"<a", "<ol", "<blockquote"},
         {"</a", "</ol", "</blockquote"},
         {
             {"a quoted end and break", html, "<a title=\"1 > 0 <b\">x</a>", "<a@1:1 </a@1:22 ok"},
             {"the other quote in a quote", html, "<a title='\"'>x</a>", "<a@1:1 </a@1:15 ok"},
             {"a broken end tag", html, "<blockquote><ol>x</ol</blockquote>",
              "<blockquote@1:1 <ol@1:13 </ol@1:18 </blockquote@1:22 broken@1:22 !"},
             {"a quote over lines", html, "<a t=\"\n>\"\n>x</a>", "<a@1:1 </a@3:3 ok"},
             {"a break right after the name", html, "<a<a>", "<a@1:1 <a@1:3 broken@1:3 !"},
             {"a slash after an unquoted value opens", html, "<a href=x/>t</a>",
              "<a@1:1 </a@1:13 ok"},
             {"a break on a later line", html, "<a\n x=1 <ol>", "<a@1:1 <ol@2:6 broken@2:6 !"},
             {"after a quote, a blank, the name", html, "<a href=\"x\"/><a name=x /><a/>", "ok"},
             {"without tag-end: no finding", no_tag_end, "<a t=\"x>\"></a>", "<a@1:1 </a@1:11 ok"},
             {"a broken self-closing tag opens", html, "<a x=1 <ol/>", "<a@1:1 broken@1:8 !"},
             {"without tag-end: a quoted end", no_tag_end, "<a t=\"/>\"/>", "ok"},
             {"a quote never closed", html, "<a t=\"x>y</a>", "<a@1:1 !"},
             {"without tag-end: a break ends the tag", no_tag_end, "<a x <a/>", "<a@1:1 !"},
         }});
}

TEST(RulesReference, CrossingErrors) {
    run_group({{"<b", "<i"},
               {"</b", "</i"},
               {
                   {"spans that cross", "crossing error\n", "<b><i></b></i>",
                    "<b@1:1 <i@1:4 </b@1:7 </i@1:11 !"},
                   {"a warning without the rule", "crossing warning\n", "<b><i></b></i>",
                    "<b@1:1 <i@1:4 </b@1:7 </i@1:11 ok"},
                   {"spans that nest", "crossing error\n", "<b><i></i></b><i></i>",
                    "<b@1:1 <i@1:4 </i@1:7 </b@1:11 <i@1:15 </i@1:18 ok"},
                   {"an open between that is never closed", "crossing error\n", "<b><i><i></b></i>",
                    "<b@1:1 <i@1:4 <i@1:7 </b@1:10 </i@1:14 !"},
               }});
}

// Long strings are matched through what is known of the text from their last
// try: starts that repeat themselves, over texts made of their bytes.
TEST(RulesReference, LongStartsOverRepeatingText) {
    std::mt19937_64 random(9122026);
    TagTable table = make_tag_table({"a"}, {"c"});
    const std::string starts[] = {std::string(33, 'a') + "b", std::string(40, 'a'),
                                  "ab" + std::string(31, 'a') + "ab", [] {
                                      std::string periodic;
                                      for (int i = 0; i < 12; ++i)
                                          periodic += "aab";
                                      return periodic;
                                  }()};
    for (const std::string& start : starts) {
        for (const char* more : {"word-end\n", "ignore-case\n", ""}) {
            std::string rules_text = std::string(more) + "region " + start + " c\n";
            RulesLoad load = parse_rules(rules_text, "R", table);
            ASSERT_TRUE(load.ok) << rules_rejection_text(load.rejection);
            for (int round = 0; round < 300; ++round) {
                std::string text = random_text(random, random_below(random, 300), "aaaaabAc\n");
                if (round % 3 == 0)
                    text = std::string(random_below(random, 90), 'a') + text;
                RulesCheck check = reference_rules_check(text, table, load.rules);
                RulesCheck engine =
                    engine_rules_check(text, table, load.rules, 1 + round % 50, round);
                ASSERT_EQ(rules_check_differences(table, check, engine), "")
                    << start << " / " << more << "round " << round;
            }
        }
    }
}

// Self-closing names waiting for one far END, their searches in and out of
// quotes by turns, so that they run two courses and more, read in small chunks.
TEST(RulesReference, WaitingNamesInAndOutOfQuotes) {
    std::mt19937_64 random(10122026);
    TagTable table = make_tag_table({"<a", "<b"}, {"</a", "</b"});
    for (const char* rules : {"self-closing /> >\ntag-quotes \"\\\"'\"\n",
                              "self-closing /> >\ntag-quotes \"\\\"\"\ntag-break <\n",
                              "self-closing /> > <a\ntag-quotes '\ntag-end >\n"}) {
        RulesLoad load = parse_rules(rules, "R", table);
        ASSERT_TRUE(load.ok) << rules_rejection_text(load.rejection);
        for (int round = 0; round < 200; ++round) {
            std::string text;
            for (size_t line = random_below(random, 40); line > 0; --line)
                text += random_text(random, 1 + random_below(random, 3), "\"'x ") + "<a " +
                        random_text(random, random_below(random, 3), "\"'x<") + "\n";
            text += random_below(random, 2) ? "/>\n" : "\"/>'/>\n";
            RulesCheck check = reference_rules_check(text, table, load.rules);
            RulesCheck engine = engine_rules_check(text, table, load.rules, 1 + round % 9, round);
            ASSERT_EQ(rules_check_differences(table, check, engine), "")
                << rules << "round " << round << ": " << text;
        }
    }
}

TEST(RulesReference, Spellings) {
    run_group({{"{% if", "{% ifchanged"},
               {"{% endif", "{% endifchanged"},
               {
                   {"whitespace control", "word-end\nspelling \"{% \" \"{%- \" \"{%+ \" {%\n",
                    "{%- if a %}{%endif -%}{%+ ifchanged x %}{% endifchanged %}",
                    "{% if@1:1 {% endif@1:12 {% ifchanged@1:23 {% endifchanged@1:41 ok"},
               }});
}

TEST(RulesReference, MarkersTurnCheckingOffAndOn) {
    const char* html = "word-end\nignore-case\ntag-end >\nregion <!-- -->\nmarkers <!--\n";
    const char* c_rules =
        "region /* */\nline-region //\nregion \"\\\"\" \"\\\"\" escape \\\n"
        "markers /* //\n";
    run_group(
        {{"<b", "{"},
         {"</b", "}"},
         {
             {"off and on", html,
              "<b><!-- tamberlox-gate: off --><b></b></b><!--tamberlox-gate:on --></b>",
              "<b@1:1 </b@1:68 ok"},
             {"off lasts to the end", html, "<b>\n<!-- tamberlox-gate: off -->\n</b></b>",
              "<b@1:1 !"},
             {"off-file anywhere", html, "</b></b>\n<!-- tamberlox-gate: off-file -->", "ok"},
             {"on does not undo off-file", html,
              "<!-- tamberlox-gate: off-file --><!-- tamberlox-gate: on --></b>", "ok"},
             {"any case, tabs", html, "<!--\tTAMBERLOX-GATE:\tOff --></b>", "ok"},
             {"a letter after the word", html,
              "<!-- tamberlox-gate: offline --><!-- tamberlox-gate: off_x -->x</b>", "</b@1:64 !"},
             {"the comment's end right after the word", html, "<!--tamberlox-gate:off-->x</b>",
              "ok"},
             {"other text first", html, "<!-- note tamberlox-gate: off --></b>", "</b@1:34 !"},
             {"not in a comment", html, "tamberlox-gate: off <p title='tamberlox-gate: off'></b>",
              "</b@1:52 !"},
             {"too far from the start", html,
              "<!--                                                 tamberlox-gate: off --></b>",
              "</b@1:77 !"},
             {"an unclosed region while off", html, "<!-- tamberlox-gate: off --><!-- x", "ok"},
             {"an unclosed marker that turns on", html,
              "<!-- tamberlox-gate: off --><!-- tamberlox-gate: on", "!"},
             {"a tag opened while off", html, "<!-- tamberlox-gate: off --><b x", "ok"},
             {"C comments of both kinds", c_rules,
              "{ // tamberlox-gate: off\n}}}\n/* tamberlox-gate: on */ }", "{@1:1 }@3:26 ok"},
             {"a marker in a string does nothing", c_rules, "\"/* tamberlox-gate: off */\" }",
              "}@1:29 !"},
         }});
}

TEST(RulesReference, ConditionalBranches) {
    const char* c_rules =
        "region /* */\n"
        "branch-start line-start \"# if\" \"# ifdef\"\n"
        "branch-else line-start \"# elif\" \"# else\"\n"
        "branch-end line-start \"# endif\"\n"
        "branch-false \"# if 0\" \"# elif 0\"\n";
    run_group(
        {{"{", "("},
         {"}", ")"},
         {
             {"the first branch counts", c_rules, "#if A\n{\n#else\n{\n#endif\n}",
              "{@2:1 }@6:1 ok"},
             {"an else that agrees", c_rules, "{\n#if A\n} {\n#else\n} if (b) {\n#endif\n}",
              "{@1:1 }@3:1 {@3:3 }@7:1 ok"},
             {"a branch that ends apart", c_rules, "#ifdef X\n{\n#elif Y\n#else\n{\n#endif",
              "{@2:1 ~3:1<1 !"},
             {"#if 0 counts not, its else does", c_rules, "#if 0\n{ (\n#else\n(\n#endif\n)",
              "(@4:1 )@6:1 ok"},
             {"#if 0 with a comment, #elif 0", c_rules,
              "#if 0 /* old */\n{\n#elif 0\n{{\n#else\n(\n#endif\n)", "(@6:1 )@8:1 ok"},
             {"#if 01 is no plain 0", c_rules, "#if 01\n{\n#endif\n}", "{@2:1 }@4:1 ok"},
             {"blanks before and after the #", c_rules, "  #  ifdef X\n{\n\t# else\n(\n #endif\n}",
              "{@2:1 }@6:1 ~3:2<1 ok"},
             {"not at a line's start", c_rules, "x #if A\n{\n#else\n{\n#endif\n}",
              "{@2:1 {@4:1 }@6:1 !"},
             {"a longer directive is none", c_rules, "#iffy\n{\n#elsewhere\n}", "{@2:1 }@4:1 ok"},
             {"in a comment a directive is text", c_rules, "/*\n#if A\n*/\n{\n/*\n#else */\n}",
              "{@4:1 }@7:1 ok"},
             {"nested: the inner first branch counts", c_rules,
              "#if A\n#if B\n{\n#else\n(\n#endif\n#else\n{\n#endif\n}", "{@3:1 }@10:1 ~4:1<2 ok"},
             {"stray else and endif", c_rules, "#else\n{\n#endif\n}", "{@2:1 }@4:1 ok"},
             {"a chain never ended", c_rules, "#if A\n{\n#else\n(", "{@2:1 !"},
         }});
}

// Marks whose first bytes are another's: at a place the first mark in rule
// order that stands there is taken, whichever of their prefixes is longer.
TEST(RulesReference, BranchMarksSharingTheirFirstBytes) {
    const char* shorter_first = "branch-start \"% a\"\nbranch-else %/\nbranch-end \"% \"\n";
    const char* longer_first = "branch-start \"%/ x\"\nbranch-else \"% \"\nbranch-end %/\n";
    run_group({{"("},
               {")"},
               {
                   {"an else before an end of fewer bytes", shorter_first, "%a\n(\n%/\n(\n% \n)",
                    "(@2:1 )@6:1 ok"},
                   {"the end where the else is no longer there", shorter_first, "%a\n(\n%b\n)",
                    "(@2:1 )@4:1 ok"},
                   {"an else of a shorter prefix before an end of a longer", longer_first,
                    "%/x\n(\n%/\n(\n", "(@2:1 !"},
                   {"a start where the else stands too", longer_first, "%/x\n(\n%/x\n)\n",
                    "(@2:1 )@4:1 ok"},
               }});
}

TEST(RulesReference, Definitions) {
    const char* tex =
        "definition \\def word-end escape \\ comment %\n"
        "definition \\newcommand word-end escape \\ comment %\n";
    run_group({{"\\begin{"},
               {"\\end{"},
               {
                   {"parameter text and body", tex, "\\def\\scan#1\\end{\\end{x}#1}\\end{y}",
                    "\\end{@1:27 !"},
                   {"a name group, an optional argument, a body", tex,
                    "\\newcommand*{\\x}[1][{a]}]{\\end{t}}\\begin{z}", "\\begin{@1:35 !"},
                   {"groups on the next lines, a comment between", tex,
                    "\\newcommand{\\x}%\n {\\begin{q}}\n\n\\end{q}", "\\end{@4:1 !"},
                   {"escaped braces are no group marks", tex, "\\def\\x{\\{\\end{a}}\\begin{b}",
                    "\\begin{@1:18 !"},
                   {"a brace in a comment", tex, "\\def\\x{% }\n\\end{a}}\\end{b}", "\\end{@2:9 !"},
                   {"a close brace before any group ends it", tex,
                    "{\\let\\y\\def}\\begin{a}\\end{a}", "\\begin{@1:13 \\end{@1:22 ok"},
                   {"the body may start on the next line", tex, "\\def\\x\n  {\\begin{a}}", "ok"},
                   {"a next line that starts otherwise ends it", tex, "\\def\\x\nx{\\begin{a}}",
                    "\\begin{@2:3 !"},
                   {"so does a second line end", tex, "\\def\\x\n\n{\\begin{a}}", "\\begin{@3:2 !"},
                   {"a comment line between", tex, "\\def\\x\n% note\n{\\begin{a}}", "ok"},
                   {"a longer command is none", tex, "\\define{\\begin{a}}", "\\begin{@1:9 !"},
                   {"a group never closed fails", tex, "\\def\\x{\\begin{a}", "!"},
                   {"a blank line ends it where the rule says so",
                    "definition \\def comment % blank-line\n", "\\def\\x{%}\n\n\\begin{a}\\end{a}",
                    "\\begin{@3:1 \\end{@3:10 ok"},
               }});
}

TEST(RulesReference, Directives) {
    const char* c = "region /* */\nline-region //\ndirective #define escape \\\n";
    run_group({{"("},
               {")"},
               {
                   {"a bracket in a macro", c, "#define A (\nf()", "(@2:2 )@2:3 ok"},
                   {"continued lines", c, "#define M(x) \\\n  (x \\\n )\n(", "(@4:1 !"},
                   {"a comment over two lines", c, "#define A 1 /* (a\n b) */ (\n)", ")@3:1 !"},
                   {"a line comment ends the line", c, "#define A 1 // x\n()", "(@2:1 )@2:2 ok"},
                   {"an escape not at the end", c, "#define A \\ (\n()", "(@2:1 )@2:2 ok"},
               }});
}

// A branch mark in a directive's line is that line's text: the escape that
// ends it ends the line, and the next line is the directive's too.
TEST(RulesReference, BranchMarksInDirectives) {
    const char* slash = "directive D escape /\nbranch-start }/\n";
    const char* blank = "directive D escape \" \"\nbranch-end \"E \"\n";
    run_group({{"("},
               {")"},
               {
                   {"a mark that ends in the escape", slash, "D }/\n()\n()", "(@3:1 )@3:2 ok"},
                   {"a mark that ends before it", slash, "D }/ /x\n()", "(@2:1 )@2:2 ok"},
                   {"a mark's blank run over the escape", blank, "D E \n(\n()", "(@3:1 )@3:2 ok"},
                   {"the escape past a mark's blank run", blank, "D E  x\n()", "(@2:1 )@2:2 ok"},
               }});
}

TEST(RulesReference, EndOfText) {
    const char* tex = "end-of-text \\end{document}\nend-of-text \\endinput word-end\n";
    run_group({{"\\begin{"},
               {"\\end{"},
               {
                   {"the name that ends the text counts", tex,
                    "\\begin{document}x\\end{document}\\end{a}", "\\begin{@1:1 \\end{@1:18 ok"},
                   {"nothing after endinput", tex, "\\begin{a}\\end{a}\\endinput \\end{b}",
                    "\\begin{@1:1 \\end{@1:10 ok"},
                   {"a longer command is none", tex, "\\endinputx\\end{b}", "\\end{@1:11 !"},
               }});
}

TEST(RulesReference, EndOfTextOutermost) {
    const char* tex = "end-of-text \\end{document} outermost\n";
    run_group(
        {{"\\begin{", "<x"},
         {"\\end{", "</x"},
         {
             {"the outermost close ends the text", tex, "\\begin{document}\\end{document}\\end{a}",
              "\\begin{@1:1 \\end{@1:17 ok"},
             {"inside another it ends nothing", tex,
              "\\begin{d}\\begin{x}\\end{document}\\end{x}\\end{d}\\end{a}",
              "\\begin{@1:1 \\begin{@1:10 \\end{@1:19 \\end{@1:33 \\end{@1:40 \\end{@1:47 !"},
             {"the names of every pair count", tex, "<x\\begin{d}\\end{document}</x\\end{a}",
              "<x@1:1 \\begin{@1:3 \\end{@1:12 </x@1:26 \\end{@1:29 !"},
             {"with nothing open before it, it ends the text", tex,
              "\\end{a}\\end{document}\\end{b}", "\\end{@1:1 \\end{@1:8 !"},
             {"the mark alone, named by no list", "end-of-text \\stop outermost\n",
              "\\begin{a}\\stop\\end{a}\\stop\\end{b}", "\\begin{@1:1 \\end{@1:15 ok"},
             {"a later mark ends it", tex,
              "\\begin{d}\\begin{x}\\begin{document}\\end{document}\\end{x}\\end{document}\\end{a}",
              "\\begin{@1:1 \\begin{@1:10 \\begin{@1:19 \\end{@1:35 \\end{@1:49 \\end{@1:56 ok"},
         }});
}

TEST(RulesReference, EndOfTextUnread) {
    const char* tex = "end-of-text \\stop unread\n";
    run_group(
        {{"\\begin{", "<x"},
         {"\\end{", "</x"},
         {
             {"what is open at the mark is no failure", tex, "\\begin{d}\\begin{x}\\stop\\end{b}",
              "\\begin{@1:1 \\begin{@1:10 ok"},
             {"without unread it is", "end-of-text \\stop\n", "\\begin{d}\\stop", "\\begin{@1:1 !"},
             {"the opens of every pair", tex, "<x\\begin{d}<x</x\\stop</x",
              "<x@1:1 \\begin{@1:3 <x@1:12 </x@1:14 ok"},
             {"a close of nothing before it still fails", tex, "\\end{a}\\begin{b}\\stop",
              "\\end{@1:1 \\begin{@1:8 !"},
             {"a close of another pair is no close of an open", tex, "\\begin{d}</x\\stop",
              "\\begin{@1:1 </x@1:10 !"},
             {"a mark that ends nothing under outermost leaves all open",
              "end-of-text \\stop outermost unread\n", "\\begin{d}\\stop", "\\begin{@1:1 !"},
             {"no mark, no change", tex, "\\begin{d}", "\\begin{@1:1 !"},
         }});
}

// `count` declarations of the names a0, a1 ... on a line.
std::string many_declarations(size_t count) {
    std::string text;
    for (size_t i = 0; i < count; ++i)
        text += "\\newlst{a" + std::to_string(i) + "}";
    return text + "\n";
}

TEST(RulesReference, DeclaredRegions) {
    const char* tex = "declared-region \\newlst \\begin{ \\end{\n";
    run_group(
        {{"\\begin{"},
         {"\\end{"},
         {
             {"a region of the name declared", tex,
              "\\newlst{code}\\begin{code}\\end{x}\\end{code}\\begin{a}\\end{a}",
              "\\begin{@1:43 \\end{@1:52 ok"},
             {"before its declaration it is none", tex,
              "\\begin{code}\\end{x}\\end{code}\\newlst{code}",
              "\\begin{@1:1 \\end{@1:13 \\end{@1:20 !"},
             {"blanks and an option before the name", tex,
              "\\newlst [s=1]\t{a*b}\n\\begin{a*b}\\begin{x}\\end{a*b}", "ok"},
             {"a name of no name bytes declares nothing", tex, "\\newlst{#1}\\begin{#1}\\end{#1}",
              "\\begin{@1:12 \\end{@1:22 ok"},
             {"a name on the next line declares nothing", tex, "\\newlst\n{a}\\begin{a}\\end{a}",
              "\\begin{@2:4 \\end{@2:13 ok"},
             {"a name out of reach declares nothing", tex,
              "\\newlst" + std::string(kDeclaredReach - 2, ' ') + "{a}\\begin{a}",
              "\\begin{@1:137 !"},
             {"the text ends inside one", tex, "\\newlst{a}\\begin{a}\\begin{b}\\end{b}", "!"},
             {"each name its own region", tex,
              "\\newlst{a}\\newlst{b}\\begin{a}\\end{b}\\end{a}\\begin{b}\\end{a}\\end{b}", "ok"},
             {"in a region the mark declares nothing",
              "line-region %\ndeclared-region \\newlst \\begin{ \\end{\n",
              "%\\newlst{a}\n\\begin{a}\\end{a}", "\\begin{@2:1 \\end{@2:10 ok"},
             {"a name past the most declared is none", tex,
              many_declarations(kDeclaredNames) + "\\newlst{z}\\begin{z}\\begin{a0}\\end{a0}",
              "\\begin{@2:11 !"},
             {"names fold under ignore-case", std::string("ignore-case\n") + tex,
              "\\NEWLST{Code}\\begin{cODE}\\end{x}\\END{code}", "ok"},
         }});
}

TEST(RulesReference, BlankRuns) {
    run_group({{"{% if", "\\begin{"},
               {"{% endif", "\\end{"},
               {
                   {"a run of spaces and tabs", "blank-runs\nword-end\n",
                    "{%  if a %}{%\t \tendif %}", "{% if@1:1 {% endif@1:12 ok"},
                   {"a blank is one at least", "blank-runs\nword-end\n", "{%if a %}", "ok"},
                   {"without the rule blanks are as written", "word-end\n", "{%  if a %}", "ok"},
                   {"a spelling with a blank", "blank-runs\nspelling \\begin{ \"\\\\begin {\"\n",
                    "\\begin   {x}\\end{x}", "\\begin{@1:1 \\end{@1:13 ok"},
                   {"a region start with a blank", "blank-runs\nregion \"{% raw\" endraw\n",
                    "{%   raw %}{% if endraw", "ok"},
               }});
}

TEST(RulesReference, PositionsAreBytesOfTheFile) {
    TagTable table = make_tag_table({"<b"}, {"</b"});
    RulesLoad load = parse_rules("word-end\n", "R", table);
    ASSERT_TRUE(load.ok);
    RulesCheck check = reference_rules_check("x\r\n <b>\rjunk</b\n\n</b>", table, load.rules);
    ASSERT_EQ(check.kept.size(), 2u);
    EXPECT_EQ(check.kept[0].line, 2u);
    EXPECT_EQ(check.kept[0].column, 2u);
    EXPECT_EQ(check.kept[0].offset, 4u);
    EXPECT_EQ(check.kept[1].line, 4u);
    EXPECT_EQ(check.kept[1].offset, 17u);
    EXPECT_EQ(check.kept[1].lvl, 0);
    EXPECT_TRUE(check.ok);
}

// Without rules the verdict and the counts are the plain checker's.
TEST(RulesReference, NoRulesIsThePlainCheck) {
    std::mt19937_64 random(8122026);
    Names opn_tag = {"<", "((", "ab"};
    Names cls_tag = {">", "))", "ba"};
    TagTable table = make_tag_table(opn_tag, cls_tag);
    TagRules rules = no_rules(table);
    for (int round = 0; round < 2000; ++round) {
        std::string text = random_text(random, random_below(random, 40), "<>()ab\n\r");
        RulesCheck check = reference_rules_check(text, table, rules);
        std::string report = reference_report(opn_tag, cls_tag, reference_lines(text));
        bool plain_ok = report.ends_with("Judged OK.\n");
        ASSERT_EQ(check.ok, plain_ok) << "round " << round;
        RulesCheck engine = engine_rules_check(text, table, rules, 1 + round % 7, round);
        ASSERT_EQ(rules_check_differences(table, check, engine), "") << "round " << round;
        for (size_t j = 0; j < table.n; ++j) {
            std::string numbers = opn_tag[j] + " (" + std::to_string(check.opn_num[j]) + ") - " +
                                  cls_tag[j] + " (" + std::to_string(check.cls_num[j]) + ")";
            bool occurs = check.opn_num[j] + check.cls_num[j] > 0;
            ASSERT_EQ(report.find(numbers) != std::string::npos, occurs) << "round " << round;
        }
    }
}

}  // namespace
