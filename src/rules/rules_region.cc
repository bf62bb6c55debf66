#include "rules/rules_region.h"

#include <algorithm>

#include "rules/number_before.h"

namespace {

void close_region(OpenRegion& region, uint64_t after, bool at_line_end = false) {
    region.rule = nullptr;
    region.after = after;
    region.ended_at_line_end = at_line_end;
}

// A step at an LF or a CR.
void line_end_step(OpenRegion& region, uint8_t byte) {
    const RegionRule& rule = *region.rule;
    if (byte == kCr) {
        region.cut = true;
        ++region.next;
        return;
    }
    bool continues = (rule.kind == RegionKind::to_end_mark && !rule.one_line) ||
                     (rule.kind != RegionKind::verb && region.escaped_end);
    region.cut = region.escaped_end = false;
    if (!continues)
        close_region(region, region.next + 1, true);
    ++region.next;
}

// One step of the open region at a byte it stops at; false when that needs bytes
// not at hand yet.
bool region_step(OpenRegion& region, const RulesText& text, TextCase text_case, uint8_t byte) {
    const RegionRule& rule = *region.rule;
    uint64_t q = region.next;
    if (is_line_end(byte)) {
        line_end_step(region, byte);
        return true;
    }
    if (rule.kind == RegionKind::verb && byte == region.delimiter) {
        close_region(region, q + 1);
        return true;
    }
    if (rule.has_escape && byte == static_cast<uint8_t>(rule.escape)) {
        if (!text.source_ended && q + 2 > text_end(text))
            return false;
        int after = byte_at(text, q + 1);
        region.escaped_end = after < 0 || is_line_end(after);
        region.next = region.escaped_end ? q + 1 : q + 2;
        return true;
    }
    if (rule.kind != RegionKind::to_end_mark) {
        ++region.next;
        return true;
    }
    if (!text.source_ended && q + rule.end.size() > text_end(text))
        return false;
    if (mark_at(text, text_case, q, rule.end)) {
        close_region(region, q + rule.end.size());
        return true;
    }
    ++region.next;
    return true;
}

// Steps the definition over one byte of the text; false where it ends before it.
bool definition_takes(OpenRegion& region, DefinitionState& state, uint8_t byte) {
    if (byte == kLf) {
        region.cut = false;
        return definition_line_end(state, *region.rule) == DefinitionStep::goes_on;
    }
    if (byte == kCr || region.cut) {
        region.cut = true;
        return true;
    }
    return definition_byte(state, *region.rule, byte) == DefinitionStep::goes_on;
}

// A definition's bytes one by one: it ends before a byte that is not its own.
// The byte at `limit`, where it is at hand, may already end it.
void advance_definition(OpenRegion& region, const RulesText& text, uint64_t limit) {
    uint64_t end = std::min(limit, text_end(text));
    for (; region.next < end; ++region.next) {
        if (!definition_takes(region, region.definition, *bytes_at(text, region.next)))
            return close_region(region, region.next);
    }
    if (region.next >= text_end(text))
        return;
    OpenRegion peek = region;
    if (!definition_takes(peek, peek.definition, *bytes_at(text, region.next)))
        close_region(region, region.next);
}

}  // namespace

uint64_t region_start_length(const RulesText& text, const TextKeeping& keeping, uint64_t pos,
                             size_t length, const RegionRule& rule, uint8_t& delimiter) {
    if (rule.has_not_after &&
        after_odd_run(text, keeping, pos, static_cast<uint8_t>(rule.not_after)))
        return 0;
    if (rule.not_in_number && number_before(text, pos))
        return 0;
    if (rule.has_only_after &&
        (pos == text.offset || *bytes_at(text, pos - 1) != static_cast<uint8_t>(rule.only_after)))
        return 0;
    uint64_t q = pos + length;
    if (rule.word_end) {
        int after = byte_at(text, q);
        if (after >= 0 && !is_line_end(after) && is_word_byte(static_cast<uint8_t>(after)))
            return 0;
    }
    if (rule.kind != RegionKind::verb)
        return length;
    int byte = byte_at(text, q);
    if (byte == '*')
        byte = byte_at(text, ++q);
    if (byte < 0 || is_line_end(byte) || is_ascii_letter(static_cast<uint8_t>(byte)) ||
        byte == ' ' || byte == '\t')
        return 0;
    delimiter = static_cast<uint8_t>(byte);
    return q + 1 - pos;
}

void open_region(OpenRegion& region, const RegionRule& rule, const StopBytes& stops, uint64_t next,
                 uint64_t line, uint64_t column, uint8_t delimiter) {
    region.rule = &rule;
    region.stops = &stops;
    if (rule.kind == RegionKind::verb) {
        region.verb_stops = StopBytes{};
        add_stop(region.verb_stops, kLf);
        add_stop(region.verb_stops, kCr);
        add_stop(region.verb_stops, delimiter);
        region.stops = &region.verb_stops;
    }
    region.next = next;
    region.delimiter = delimiter;
    region.cut = false;
    region.escaped_end = false;
    region.line = line;
    region.column = column;
    region.definition = DefinitionState{};
}

void advance_region(OpenRegion& region, const RulesText& text, TextCase text_case, uint64_t limit) {
    if (region.rule->kind == RegionKind::definition)
        return advance_definition(region, text, limit);
    limit = std::min(limit, text_end(text));
    if (region.rule->kind == RegionKind::to_text_end) {
        region.next = std::max(region.next, limit);
        return;
    }
    while (region.rule != nullptr && region.next < limit) {
        const uint8_t* at = bytes_at(text, region.next);
        size_t span = limit - region.next;
        const StopBytes& stops = region.cut ? line_end_stops() : *region.stops;
        size_t i = skip_to_stop(at, span, stops);
        region.next += i;
        if (i == span)
            break;
        if (!region_step(region, text, text_case, at[i]))
            break;
    }
}

bool region_fails_file(const OpenRegion& region, const RulesText& text) {
    uint64_t end = text_end(text);
    bool line_ended = end == 0 || byte_at(text, end - 1) == kLf;
    const RegionRule& rule = *region.rule;
    // The text's end ends its last line, which may be one that ends a definition.
    if (rule.kind == RegionKind::definition)
        return !definition_complete(region.definition) &&
               !(rule.blank_line_ends && region.definition.line_blank && !line_ended);
    if (rule.kind == RegionKind::to_text_end || rule.kind == RegionKind::to_line_end)
        return false;
    return line_ended ||
           (rule.kind == RegionKind::to_end_mark && (!rule.one_line || region.escaped_end));
}

StopBytes region_stops_of(const RegionRule& region, bool fold) {
    StopBytes stops;
    add_stop(stops, kLf);
    add_stop(stops, kCr);
    if (region.has_escape)
        add_stop(stops, static_cast<uint8_t>(region.escape));
    if (region.kind == RegionKind::to_end_mark && !region.end.empty())
        add_stop_of_any_case(stops, static_cast<uint8_t>(region.end[0]), fold);
    return stops;
}
