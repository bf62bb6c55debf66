#include "rules/rules_definition.h"

namespace {

bool is_comment(const RegionRule& rule, uint8_t byte) {
    return rule.has_comment && byte == static_cast<uint8_t>(rule.comment);
}

void open_group(DefinitionState& state, DefinitionPhase phase, uint64_t depth) {
    state.phase = phase;
    state.depth = depth;
}

// Between the groups only what may stand there goes on.
DefinitionStep between_byte(DefinitionState& state, const RegionRule& rule, uint8_t byte) {
    if (is_comment(rule, byte))
        state.in_comment = true;
    else if (byte == ' ' || byte == '\t' || byte == '*')
        return DefinitionStep::goes_on;
    else if (byte == '{')
        open_group(state, DefinitionPhase::group, 1);
    else if (byte == '[')
        open_group(state, DefinitionPhase::bracket, 0);
    else
        return DefinitionStep::ends_before;
    return DefinitionStep::goes_on;
}

// On the line after the parameter text's, only blanks before the group's '{'.
DefinitionStep next_line_byte(DefinitionState& state, const RegionRule& rule, uint8_t byte) {
    if (is_comment(rule, byte))
        state.in_comment = true;
    else if (byte == '{')
        open_group(state, DefinitionPhase::group, 1);
    else if (byte != ' ' && byte != '\t')
        return DefinitionStep::ends_before;
    return DefinitionStep::goes_on;
}

}  // namespace

DefinitionStep definition_byte(DefinitionState& state, const RegionRule& rule, uint8_t byte) {
    state.line_blank = state.line_blank && (byte == ' ' || byte == '\t');
    if (state.in_comment)
        return DefinitionStep::goes_on;
    if (state.phase == DefinitionPhase::between)
        return between_byte(state, rule, byte);
    if (state.phase == DefinitionPhase::next_line)
        return next_line_byte(state, rule, byte);
    if (state.escaped) {
        state.escaped = false;
        return DefinitionStep::goes_on;
    }
    if (rule.has_escape && byte == static_cast<uint8_t>(rule.escape)) {
        state.escaped = true;
        return DefinitionStep::goes_on;
    }
    if (is_comment(rule, byte)) {
        state.in_comment = true;
        return DefinitionStep::goes_on;
    }
    switch (state.phase) {
        case DefinitionPhase::parameters:
            if (byte == '}')
                return DefinitionStep::ends_before;
            if (byte == '{')
                open_group(state, DefinitionPhase::group, 1);
            break;
        case DefinitionPhase::group:
            if (byte == '{')
                ++state.depth;
            else if (byte == '}' && --state.depth == 0)
                state.phase = DefinitionPhase::between;
            break;
        case DefinitionPhase::bracket:
            if (byte == '{')
                ++state.depth;
            else if (byte == '}' && state.depth == 0)
                return DefinitionStep::ends_before;
            else if (byte == '}')
                --state.depth;
            else if (byte == ']' && state.depth == 0)
                state.phase = DefinitionPhase::between;
            break;
        case DefinitionPhase::next_line:
        case DefinitionPhase::between:
            break;
    }
    return DefinitionStep::goes_on;
}

DefinitionStep definition_line_end(DefinitionState& state, const RegionRule& rule) {
    bool commented = state.in_comment;
    bool blank = state.line_blank;
    state.in_comment = false;
    state.escaped = false;
    state.line_blank = true;
    if ((state.phase == DefinitionPhase::next_line && !commented) ||
        (blank && rule.blank_line_ends))
        return DefinitionStep::ends_before;
    if (state.phase == DefinitionPhase::parameters && !commented)
        state.phase = DefinitionPhase::next_line;
    return DefinitionStep::goes_on;
}
