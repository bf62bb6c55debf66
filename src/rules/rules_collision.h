#pragma once

#include "rules/rules_file.h"
#include "tags/name_collision.h"
#include "tags/tag_table.h"

// The first pair of names that could both match at one place under the rules, in
// the order of find_first_collision. Two names can meet where one is a prefix of
// the other (ASCII case folded under ignore-case), unless the shorter one has a
// word end and the longer one goes on with a word byte after it.
NameCollision find_first_rules_collision(const TagTable& table, const TagRules& rules);

// Whether names a and b (already folded when the rules fold case) can meet;
// a_word_end and b_word_end say whether each has a word end.
bool names_can_meet(std::string_view a, bool a_word_end, std::string_view b, bool b_word_end);
