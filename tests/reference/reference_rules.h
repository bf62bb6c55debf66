#pragma once

// The rules of a list set done the plain way, as an oracle: position by position
// over each line, the branch marks tried first, then the region starts in file
// order, then every name in id order, every byte compared through the case rule.
// Branches: the nesting saved where a chain starts; each branch matched on its
// own from there (its unmatched opens, and by pair its closes that matched none
// of them), compared with the counting branch's, and the counting one matched
// on after the saved nesting at the chain's END.

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "rules/rules_file.h"
#include "tags/name_collision.h"
#include "tags/tag_table.h"

enum class KeptKind { opn = 1, cls = 2 };

struct KeptName {
    size_t pair = 0;
    KeptKind kind = KeptKind::opn;
    int64_t lvl = 0;      // -1 for a close name at level 0
    uint64_t line = 0;    // from 1
    uint64_t column = 0;  // byte column, from 1
    uint64_t offset = 0;  // byte offset in the file, from 0
};

// A tag that tag-break ended before its END: the break byte's place.
struct BrokenTagPlace {
    uint64_t line = 0;
    uint64_t column = 0;
    size_t id = 0;  // the tag's name
    bool operator==(const BrokenTagPlace&) const = default;
};

struct RulesCheck {
    std::vector<KeptName> kept;
    std::vector<uint64_t> opn_num, cls_num;
    bool ok = true;
    bool ended_in_region = false;  // the text ended inside a region
    uint64_t region_line = 0;      // where that region started
    uint64_t region_column = 0;
    std::vector<BrokenTagPlace> broken;  // a broken tag fails the file
    bool crossed = false;                // two matched spans cross (an error under crossing error)
    std::vector<BranchWarning> branch_warnings;  // in file order
    bool switched_off = false;                   // a marker turned checking off
};

RulesCheck reference_rules_check(std::string_view file_bytes, const TagTable& table,
                                 const TagRules& rules);

// Every pair of names compared, in find_first_collision's order.
NameCollision reference_rules_collision(const TagTable& table, const TagRules& rules);

// "Judged OK." or "Errors may exist.", and before it one line a kept name:
// "line:column: name (level)".
void write_rules_check(FILE* out, const TagTable& table, const RulesCheck& check);
