// The gate's rules engine against the reference on random lists, random rule
// sets and random texts, read in chunks of random sizes so that names, region
// marks, escapes and word ends fall on the seams.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "check_support.h"
#include "gate/setup_error.h"
#include "reference_rules.h"
#include "rules/number_before.h"
#include "rules/rules_collision.h"
#include "rules_engine_support.h"

namespace {

using Names = std::vector<std::string>;

struct RandomCase {
    TagTable table;
    TagRules rules;
    std::string rules_text;
};

// Lists and rules that load: a set the collision check would reject is drawn again.
RandomCase random_case(std::mt19937_64& random, const NameStyle& style, std::string_view marks) {
    for (;;) {
        Names opn_tag, cls_tag;
        random_tag_pairs(random, style, opn_tag, cls_tag);
        RandomCase c{make_tag_table(opn_tag, cls_tag), {}, {}};
        Names names = opn_tag;
        names.insert(names.end(), cls_tag.begin(), cls_tag.end());
        c.rules_text = random_rules_text(random, names, marks);
        RulesLoad load = parse_rules(c.rules_text, "R", c.table);
        if (!load.ok)
            continue;
        if (find_first_rules_collision(c.table, load.rules).place != CollisionPlace::none)
            continue;
        c.rules = load.rules;
        return c;
    }
}

std::string random_text_for(std::mt19937_64& random, const TagTable& table, const TagRules& rules,
                            std::string_view filler) {
    Names pieces;
    for (size_t id = 0; id < 2 * table.n; ++id) {
        pieces.emplace_back(name_of(table, id));
        for (const std::string& other : rules.spellings[id])
            pieces.push_back(other);
    }
    for (const RegionRule& region : rules.regions) {
        pieces.push_back(region.start);
        // Numbers, and runs that begin like one but are too long to be one.
        for (const char* number : {"1", "0x3f", "7'", ".5", "a.5", "_1", "u8"}) {
            if (region.not_in_number)
                pieces.push_back(number);
        }
        if (region.not_in_number)
            pieces.push_back(
                std::string(1, '1').append(kNumberReach - 1 + random_below(random, 3), 'e'));
        if (!region.end.empty())
            pieces.push_back(region.end);
        // Declarations of a few names, blanks and brackets before them, and
        // the names' regions.
        for (const char* name : {"a", "b*", "a@-b"}) {
            if (region.kind != RegionKind::declared)
                continue;
            pieces.push_back(region.start + "{" + name + "}");
            pieces.push_back(region.start + " [x]\t{" + name + "}");
            pieces.push_back(region.named_start + name + "}");
            pieces.push_back(region.named_end + name + "}");
        }
        // Markers, right after the comment's start and not quite.
        for (const char* marker :
             {" tamberlox-gate: off", "tamberlox-gate:on", "\tTamberlox-Gate: on",
              " tamberlox-gate: off-file", "tamberlox-gate: offline"}) {
            if (region.markers)
                pieces.push_back(region.start + marker);
        }
    }
    for (const std::string* mark :
         {&rules.self_close_mark, &rules.self_close_end, &rules.tag_end}) {
        if (!mark->empty())
            pieces.push_back(*mark);
    }
    // Branch marks at line starts or not, their blanks as runs of none to many.
    for (const BranchMark& mark : rules.branch_marks) {
        for (const char* blanks : {"", " ", "\t  "}) {
            std::string text;
            for (char byte : mark.text)
                text += byte == ' ' ? std::string(blanks) : std::string(1, byte);
            pieces.push_back(text);
            pieces.push_back(std::string(1, '\n').append(blanks).append(text));
        }
    }
    std::string text;
    size_t length = random_below(random, 4) == 0 ? 2000 : 80;
    while (text.size() < length) {
        if (random_below(random, 2) == 0) {
            std::string piece = pieces[random_below(random, pieces.size())];
            if (rules.ignore_case && random_below(random, 2) == 0) {
                for (char& byte : piece)
                    byte = static_cast<char>(std::toupper(static_cast<unsigned char>(byte)));
            }
            text += piece;
        } else {
            text += random_text(random, 1 + random_below(random, 3), filler);
        }
    }
    return text;
}

void expect_same(const RandomCase& c, const std::string& text, size_t most_chunk, uint64_t seed) {
    RulesCheck expected = reference_rules_check(text, c.table, c.rules);
    RulesCheck actual = engine_rules_check(text, c.table, c.rules, most_chunk, seed);
    std::string differences = rules_check_differences(c.table, expected, actual);
    std::string names;
    for (size_t id = 0; id < 2 * c.table.n; ++id)
        names += testing::PrintToString(std::string(name_of(c.table, id))) + " ";
    ASSERT_EQ(differences, "") << "names: " << names << "\nrules:\n"
                               << c.rules_text << "text: " << testing::PrintToString(text)
                               << "\nchunks up to " << most_chunk;
}

TEST(RulesEngine, KeepsWhatTheReferenceKeepsOnRandomRulesAndTexts) {
    std::mt19937_64 random(20261208);
    const NameStyle style{"<{\\a", "ab/>-", 4, 1};
    const std::string marks = "<>/!-\\\"ab*%{} ";
    const std::string filler = std::string("ab AB-.\n\r\\\"*/\0{}[] \t%", 22);
    for (int round = 0; round < 3000; ++round) {
        RandomCase c = random_case(random, style, marks);
        std::string text = random_text_for(random, c.table, c.rules, filler);
        SCOPED_TRACE("round " + std::to_string(round));
        expect_same(c, text, 1 + random_below(random, 6), random());
        expect_same(c, text, 1 + random_below(random, 400), random());
        if (HasFatalFailure())
            return;
    }
}

// A read from a restart point the filter noted keeps, from there on, what the
// read from the start kept, whatever the rules and the chunks.
TEST(RulesEngine, RestartPointsKeepWhatTheWholeReadKeeps) {
    std::mt19937_64 random(9122026);
    const NameStyle style{"<{\\a", "ab/>-", 4, 1};
    const std::string marks = "<>/!-\\\"ab*%{} #";
    const std::string filler = std::string("ab AB-.\n\n\r\\\"*/\0{}[] \t%#", 23);
    size_t reads = 0;
    for (int round = 0; round < 1500; ++round) {
        RandomCase c = random_case(random, style, marks);
        std::string text;
        for (size_t pieces = 1 + random_below(random, 8); pieces > 0; --pieces)
            text += random_text_for(random, c.table, c.rules, filler);
        size_t most_chunk = 1 + random_below(random, 400);
        uint64_t spacing = 1 + random_below(random, 64);
        std::string differences =
            restart_differences(text, c.table, c.rules, most_chunk, random(), spacing, reads);
        ASSERT_EQ(differences, "") << "round " << round << "\nrules:\n"
                                   << c.rules_text << "text: " << testing::PrintToString(text)
                                   << "\nchunks up to " << most_chunk << ", spacing " << spacing;
    }
    EXPECT_GT(reads, 3000u);
}

// Names that hold one another inside make the matcher hold hints back to the
// line's end; long lines make the engine keep the line.
TEST(RulesEngine, HintsHeldToTheLineEndOnLongLines) {
    TagTable table = make_tag_table({"xbq", "<a"}, {"b", "</a"});
    RulesLoad load =
        parse_rules("word-end <a </a\nregion <! >\nline-region % not-after \\\n", "R", table);
    ASSERT_TRUE(load.ok) << rules_rejection_text(load.rejection);
    RandomCase c{table, load.rules, "..."};
    std::mt19937_64 random(5);
    for (int round = 0; round < 50; ++round) {
        std::string text = "xb" + std::string(3000 + random_below(random, 3000), 'x') + "q";
        text += random_below(random, 2) ? "<a b</a>" : "<! b ><a>b\\\\%</a>\n";
        text += std::string(random_below(random, 3000), '\\') + "%b\n<a></a>";
        expect_same(c, text, 1 + random_below(random, 700), random());
        if (HasFatalFailure())
            return;
    }
}

// Self-closing names one inside another, their tags' ends far behind many
// chunks and lines, with more names waiting behind them.
TEST(RulesEngine, SelfClosingTagsEndingFarAway) {
    TagTable table = make_tag_table({"<ab", "b"}, {"</ab", "c"});
    RulesLoad load = parse_rules("self-closing /> >\n", "R", table);
    ASSERT_TRUE(load.ok) << rules_rejection_text(load.rejection);
    RandomCase c{table, load.rules, "self-closing /> >"};
    std::mt19937_64 random(11);
    for (int round = 0; round < 60; ++round) {
        std::string text;
        for (int tag = 0; tag < 4; ++tag) {
            text += random_below(random, 2) ? "<ab" : "<abb";
            text += random_text(random, random_below(random, 2500), "xc\n\r/");
            text += random_below(random, 2) ? "/>" : ">";
        }
        expect_same(c, text, 1 + random_below(random, 300), random());
        if (HasFatalFailure())
            return;
    }
}

// The HTML set's way of reading: a tag's end found once serves its
// self-closing mark and the end of the tag, over CRs, LFs and seams.
TEST(RulesEngine, TagEndsThatAreSelfClosingEnds) {
    TagTable table = make_tag_table({"<a", "<abbr", "<b"}, {"</a", "</abbr", "</b"});
    RulesLoad load = parse_rules(
        "word-end\nignore-case\nself-closing /> >\nregion <!-- -->\ntag-end >\n", "R", table);
    ASSERT_TRUE(load.ok) << rules_rejection_text(load.rejection);
    RandomCase c{table, load.rules, "html"};
    std::mt19937_64 random(12);
    const std::vector<std::string> pieces = {"<a",  "<A", "<abbr", "</a",  "</ABBR", "<b",
                                             "</b", "/>", ">",     "<!--", "-->",    " x=\"<b>\"",
                                             "\r",  "\n", "/",     "-",    "b",      "abc"};
    for (int round = 0; round < 400; ++round) {
        std::string text;
        for (size_t n = random_below(random, 200); n > 0; --n)
            text += pieces[random_below(random, pieces.size())];
        expect_same(c, text, 1 + random_below(random, round % 2 ? 5 : 200), random());
        if (HasFatalFailure())
            return;
    }
}

// Tags of some tens of bytes, searched 16 bytes at a time: quotes, breaks, END
// bytes inside quotes, CRs that cut a line inside a block, ENDs of two bytes
// that begin with a quote byte, letters as stops under ignore-case, and more
// stops than a block looks for.
TEST(RulesEngine, LongTagsSearchedBlockByBlock) {
    struct TagCase {
        const char* what;
        std::string rules;
        Names pieces;
    };
    const std::string html = "word-end\nignore-case\nself-closing /> >\ntag-end >\n";
    const TagCase cases[] = {
        {"the HTML set's tags",
         html + "tag-quotes \"\\\"'\"\ntag-break <\n",
         {"\"", "'", ">", "<", "/>", "/", "\r", "\n", "\r\n", "x", " y=", "abcdefgh"}},
        {"an END that begins with a quote",
         "self-closing /'> '>\ntag-end '>\ntag-quotes \"'\\\"\"\n",
         {"'", "\"", ">", "'>", "/'>", "\r", "\n", "x", "abcdefghijk"}},
        {"letters as quotes and breaks",
         html + "tag-quotes q\ntag-break B\n",
         {"q", "Q", "b", "B", ">", "/>", "\n", "\r", "x", "qqqq", "abcdefgh"}},
        {"more stops than a block looks for",
         html + "tag-quotes \"!#$%&*+,\"\n",
         {"!", "#", "$", "%", "&", "*", "+", ",", ">", "/>", "\r", "\n", "x", "abcdefgh"}},
    };
    TagTable table = make_tag_table({"<a", "<abbr", "<b"}, {"</a", "</abbr", "</b"});
    std::mt19937_64 random(16);
    for (const TagCase& tag_case : cases) {
        RulesLoad load = parse_rules(tag_case.rules, "R", table);
        ASSERT_TRUE(load.ok) << tag_case.what << ": " << rules_rejection_text(load.rejection);
        RandomCase c{table, load.rules, tag_case.rules};
        const Names names = {"<a", "<A", "<abbr", "</a", "</ABBR", "<b", "</b"};
        for (int round = 0; round < 300; ++round) {
            std::string text;
            for (size_t tags = random_below(random, 12); tags > 0; --tags) {
                text += names[random_below(random, names.size())];
                for (size_t n = random_below(random, 40); n > 0; --n)
                    text += tag_case.pieces[random_below(random, tag_case.pieces.size())];
            }
            SCOPED_TRACE(tag_case.what);
            expect_same(c, text, 1 + random_below(random, round % 3 ? 300 : 5), random());
            if (HasFatalFailure())
                return;
        }
    }
}

// Runs of a not-after byte and delimiters where the kept text is cut: at the
// reader's seams (256 KiB), over more than one drop of what no decision needs,
// and bytes that look like a verb's delimiter but are none.
// More hints than one batch holds in one chunk: a directive's line must not
// pass the hints of the chunk's later batches, nor a region start among them.
TEST(RulesEngine, DirectivesOverManyBatchesOfOneChunk) {
    TagTable table = make_tag_table({"("}, {")"});
    RulesLoad load = parse_rules("region /* */\ndirective #define escape \\\n", "R", table);
    ASSERT_TRUE(load.ok);
    const std::string many(3000, '(');
    const std::string texts[] = {
        "#define A \\\n" + many + "\n()",
        "#define A /* x \n" + many + "*/ (\n)",
        many + "\n#define B \\\n" + many + "\n" + std::string(3000, ')'),
    };
    for (const std::string& text : texts) {
        RulesCheck expected = reference_rules_check(text, table, load.rules);
        RulesCheck actual = engine_rules_check(text, table, load.rules, 1 << 20, 7, true);
        EXPECT_EQ(rules_check_differences(table, expected, actual), "") << text.substr(0, 40);
    }
}

TEST(RulesEngine, RunsAndDelimitersAtTheSeams) {
    const size_t seam = size_t{256} << 10;
    const std::string braces = "line-region % not-after \\\n";
    struct SeamCase {
        const char* what;
        std::string rules;
        std::string text;
    };
    const SeamCase cases[] = {
        {"an odd run cut by the seam", braces,
         std::string(seam - 101, 'x') + std::string(101, '\\') + "%{\n}"},
        {"an even run cut by the seam", braces,
         std::string(seam - 100, 'x') + std::string(100, '\\') + "%{\n}"},
        {"an odd run over several drops", braces,
         std::string(1001, 'x') + std::string(600001, '\\') + "%{"},
        {"an even run over several drops", braces,
         std::string(1001, 'x') + std::string(600000, '\\') + "%{"},
        {"a tab after a verb's start", "verb V\n", "V\t{\t}"},
        {"a blank after a verb's star", "verb V\n", "V* { }"},
        {"a delimiter after a verb's star", "verb V\n", "V*|{|}"},
    };
    TagTable table = make_tag_table({"{"}, {"}"});
    for (const SeamCase& c : cases) {
        RulesLoad load = parse_rules(c.rules, "R", table);
        ASSERT_TRUE(load.ok) << c.what;
        RulesCheck expected = reference_rules_check(c.text, table, load.rules);
        for (size_t chunk : {seam, size_t{4096}}) {
            RulesCheck actual = engine_rules_check(c.text, table, load.rules, chunk, chunk, true);
            EXPECT_EQ(rules_check_differences(table, expected, actual), "")
                << c.what << ", chunks of " << chunk;
        }
    }
}

}  // namespace

// C's conditional branches: blank runs about the cap, chains nested past the
// depth compared, marks in comments, chunk seams everywhere.
// Where more chains are open than a point would copy at little cost, no point
// is noted; once they close, points come again.
TEST(RulesEngine, NoRestartPointsUnderTooManyOpenChains) {
    TagTable table = make_tag_table({"{"}, {"}"});
    const char* rules_text = "branch-start line-start \"#if\"\nbranch-end line-start \"#endif\"\n";
    RulesLoad load = parse_rules(rules_text, "R", table);
    ASSERT_TRUE(load.ok) << rules_rejection_text(load.rejection);
    // Points are looked for where a batch of hints begins (many to a chunk),
    // when it begins a line: a hint a line.
    std::string lines;
    for (size_t i = 0; i < kFoundBatch; ++i)
        lines += "{\n}\n";
    for (size_t open : {kBranchDepth, kBranchDepth + 1, 3 * kBranchDepth}) {
        std::string text;
        for (size_t i = 0; i < open; ++i)
            text += "#if x\n" + lines;
        for (size_t i = 0; i < open; ++i)
            text += lines + "#endif\n";
        text += lines;
        std::vector<FilterRestart> restarts =
            noted_restarts(text, table, load.rules, size_t{1} << 16, 1);
        size_t deepest = 0;
        for (const FilterRestart& restart : restarts)
            deepest = std::max(deepest, restart.levels.size());
        EXPECT_EQ(deepest, std::min(open, kBranchDepth)) << open << " chains";
        ASSERT_FALSE(restarts.empty());
        EXPECT_TRUE(restarts.back().levels.empty()) << open << " chains";
    }
}

TEST(RulesEngine, ConditionalBranches) {
    TagTable table = make_tag_table({"{", "("}, {"}", ")"});
    const char* rules_text =
        "region /* */\n"
        "branch-start line-start \"# if\" \"# ifdef\"\n"
        "branch-else line-start \"# elif\" \"# else\"\n"
        "branch-end line-start \"# endif\"\n"
        "branch-false \"# if 0\" \"# elif 0\"\n";
    RulesLoad load = parse_rules(rules_text, "R", table);
    ASSERT_TRUE(load.ok) << rules_rejection_text(load.rejection);
    RandomCase c{table, load.rules, rules_text};
    std::mt19937_64 random(26);
    const Names pieces = {"#if x", "#ifdef y", "#elif z", "#else", "#endif", "#if 0", "#elif 0",
                          "#ifx",  "{",        "}",       "(",     ")",      "/*",    "*/",
                          "x",     "\n",       "\n",      "\n",    "#",      " 0"};
    for (int round = 0; round < 1500; ++round) {
        std::string text;
        size_t deep = random_below(random, 8) == 0 ? 70 : 0;
        for (size_t k = 0; k < deep; ++k)
            text += "#if\n{\n";
        for (size_t n = random_below(random, 120); n > 0; --n) {
            if (random_below(random, 6) == 0)
                text += std::string(random_below(random, 3) == 0 ? 60 + random_below(random, 8)
                                                                 : random_below(random, 3),
                                    random_below(random, 2) ? ' ' : '\t');
            text += pieces[random_below(random, pieces.size())];
        }
        for (size_t k = 0; k < deep; ++k)
            text += random_below(random, 2) ? "\n#else\n{{\n#endif\n" : "\n#endif\n";
        SCOPED_TRACE("round " + std::to_string(round));
        expect_same(c, text, 1 + random_below(random, 8), random());
        expect_same(c, text, 1 + random_below(random, 300), random());
        if (HasFatalFailure())
            return;
    }
}
