#pragma once

#include "rules/rules_file.h"
#include "tags/name_collision.h"
#include "tags/tag_table.h"

// The first pair of names that could both match at one place under the rules, in
// the order of find_first_collision. Two names can meet where one is a prefix of
// the other (ASCII case folded under ignore-case), unless the shorter one has a
// word end and the longer one goes on with a word byte after it.
NameCollision find_first_rules_collision(const TagTable& table, const TagRules& rules);
