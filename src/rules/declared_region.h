#pragma once

// The regions a text declares for itself: after the MARK of a declared-region
// rule, on its line, blanks, at most one [...] and blanks, then the name in
// braces ("\lstnewenvironment{code}", "\newtcblisting[x]{code}"): from there
// on, the rule's START, the name and '}' ("\begin{code}") start a region that
// the first END, the name and '}' after it ("\end{code}") ends. A name is 1 to
// kDeclaredName word bytes (as for word-end), '*' and '@', its '}' within
// kDeclaredReach bytes after MARK; a text declares kDeclaredNames names at most
// (a rule's name once), and those after are passed over.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

#include "rules/rules_file.h"
#include "rules/rules_region.h"
#include "rules/rules_text.h"
#include "rules/stop_bytes.h"

constexpr size_t kDeclaredName = 64;
constexpr size_t kDeclaredReach = 128;
constexpr size_t kDeclaredNames = 32;

// A name's region, as a region rule to the END mark; folded under ignore-case.
struct DeclaredRegion {
    uint32_t rule = 0;  // of the declaration
    RegionRule region;
    StopBytes stops;
};

struct DeclaredRegions {
    std::deque<DeclaredRegion> all;  // in order of declaration; their places stay
};

// Whether the bytes a name byte may be.
inline bool is_declared_name_byte(uint8_t byte) {
    return is_word_byte(byte) || byte == '*' || byte == '@';
}

// The declaration that the mark of region rule `rule` ending at `after` makes,
// if a name follows it; `fold` under ignore-case.
void take_declaration(DeclaredRegions& declared, const RulesText& text, uint64_t after,
                      uint32_t rule, const RegionRule& declaration, bool fold);

// The region of a name declared for rule `rule` that starts at `pos`, or none.
const DeclaredRegion* declared_region_at(const DeclaredRegions& declared, const RulesText& text,
                                         TextCase text_case, uint64_t pos, uint32_t rule);
