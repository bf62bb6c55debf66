#include "rules/rules_collision.h"

#include <gtest/gtest.h>

#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "check_support.h"
#include "gate/setup_error.h"
#include "reference_rules.h"

namespace {

using Names = std::vector<std::string>;

TagRules rules_from(const TagTable& table, const char* text) {
    RulesLoad load = parse_rules(text, "R", table);
    EXPECT_TRUE(load.ok) << rules_rejection_text(load.rejection);
    return load.rules;
}

struct CollisionCase {
    const char* what;
    Names opn_tag;
    Names cls_tag;
    const char* rules;
    NameCollision expected;
};

TEST(RulesCollision, AllowsExactlyTheNamesThatCannotMeet) {
    using enum CollisionPlace;
    const CollisionCase cases[] = {
        {"no rules: prefixes collide", {"<b", "<body"}, {"</b", "</body"}, "", {in_opn, 0, 1}},
        {"word end: a word byte follows",
         {"<b", "<body", "<br"},
         {"</b", "</body", "</br"},
         "word-end\n",
         {none, 0, 0}},
        {"word end on the longer name alone",
         {"<b", "<body"},
         {"</b", "</body"},
         "word-end <body </body\n",
         {in_opn, 0, 1}},
        {"word end: no word byte follows", {"<a", "<a>"}, {"x", "y"}, "word-end\n", {in_opn, 0, 1}},
        {"word bytes - _ : .",
         {"a", "a-", "a_", "a:", "a."},
         {"v", "w", "x", "y", "z"},
         "word-end\n",
         {none, 0, 0}},
        {"equal names always meet", {"<b", "<b"}, {"x", "y"}, "word-end\n", {in_opn, 0, 1}},
        {"case folded", {"<B", "<b"}, {"x", "y"}, "ignore-case\n", {in_opn, 0, 1}},
        {"case folded across", {"<TD"}, {"<td"}, "ignore-case\n", {across, 0, 0}},
        {"case folded prefix under word end",
         {"<B", "<body"},
         {"</b", "</BODY"},
         "ignore-case\nword-end\n",
         {none, 0, 0}},
        {"only ASCII letters fold", {"\xc9", "\xe9"}, {"x", "y"}, "ignore-case\n", {none, 0, 0}},
        {"a spelling meets another name",
         {"{% if", "{%- if"},
         {"{% endif", "x"},
         "spelling \"{% \" \"{%- \"\n",
         {in_opn, 0, 1}},
        {"a spelling meets a close name",
         {"{% if"},
         {"{%-"},
         "spelling \"{% \" \"{%- \"\n",
         {across, 0, 0}},
        {"spellings under word end",
         {"{% if", "{% ifchanged"},
         {"{% endif", "{% endifchanged"},
         "word-end\nspelling \"{% \" \"{%- \"\n",
         {none, 0, 0}},
    };
    for (const CollisionCase& c : cases) {
        TagTable table = make_tag_table(c.opn_tag, c.cls_tag);
        TagRules rules = rules_from(table, c.rules);
        EXPECT_EQ(find_first_rules_collision(table, rules), c.expected) << c.what;
        EXPECT_EQ(reference_rules_collision(table, rules), c.expected) << c.what;
    }
}

TEST(RulesCollision, FirstCollisionEqualsThePairwiseLoops) {
    std::mt19937_64 random(20261208);
    size_t seen[4] = {};
    for (int round = 0; round < 20000; ++round) {
        size_t n = 1 + random_below(random, 6);
        Names opn_tag(n), cls_tag(n);
        for (size_t j = 0; j < n; ++j) {
            opn_tag[j] = random_text(random, 1 + random_below(random, 3), "aAb-");
            cls_tag[j] = random_text(random, 1 + random_below(random, 3), "aAb-");
        }
        TagTable table = make_tag_table(opn_tag, cls_tag);
        TagRules rules = no_rules(table);
        rules.ignore_case = random_below(random, 2) == 0;
        for (size_t id = 0; id < 2 * n; ++id) {
            rules.word_end[id] = random_below(random, 3) != 0;
            if (random_below(random, 8) == 0)
                rules.spellings[id].push_back(random_text(random, 2, "ab-"));
        }
        NameCollision expected = reference_rules_collision(table, rules);
        ASSERT_EQ(find_first_rules_collision(table, rules), expected) << "round " << round;
        ++seen[static_cast<int>(expected.place)];
    }
    for (size_t count : seen)
        EXPECT_GT(count, 500u);
}

}  // namespace
