#pragma once

// A definition the rules skip (the definition rule): after its START, the
// parameter text up to the first '{' (a '}' ends the definition there, and so
// does the end of a line that no comment ended first, unless the next line's
// first byte after blanks is that '{': "\def\x" and "{...}" below, as TeX
// skips the line end after a command's name), then a balanced {...} group,
// and every group, [...] or '*' that follows with only blanks and line ends
// between. Inside, the rule's escape byte takes the next byte with it, so that
// "\{" opens nothing, and its comment byte hides the rest of the line. With
// blank-line, a line of blanks alone ends it, groups closed or not.

#include <cstdint>

#include "rules/rules_file.h"

enum class DefinitionPhase : uint8_t { parameters, next_line, group, bracket, between };

struct DefinitionState {
    DefinitionPhase phase = DefinitionPhase::parameters;
    uint64_t depth = 0;  // of the braces open in a group or a bracket
    bool in_comment = false;
    bool escaped = false;     // the byte before was an escape
    bool line_blank = false;  // the line so far holds only blanks
};

// Whether the byte steps the definition on, or ends it before the byte.
enum class DefinitionStep : uint8_t { goes_on, ends_before };

DefinitionStep definition_byte(DefinitionState& state, const RegionRule& rule, uint8_t byte);

// At the end of a line's text.
DefinitionStep definition_line_end(DefinitionState& state, const RegionRule& rule);

// Whether the text may end where the definition stands: not inside a group.
inline bool definition_complete(const DefinitionState& state) {
    return state.phase == DefinitionPhase::parameters ||
           state.phase == DefinitionPhase::next_line || state.phase == DefinitionPhase::between;
}
