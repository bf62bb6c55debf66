#pragma once

// A region of the rules open in the text: where nothing is checked from its
// start to its end mark (with escapes and one-line), to its line's end, or to
// a verb's delimiter. Its end is searched for in the bytes, step by step at the
// bytes it stops at (stop_bytes.h), as far as they are at hand.

#include <cstdint>

#include "rules/rules_definition.h"
#include "rules/rules_file.h"
#include "rules/rules_text.h"
#include "rules/stop_bytes.h"

struct OpenRegion {
    const RegionRule* rule = nullptr;  // none open
    const StopBytes* stops = nullptr;
    StopBytes verb_stops{};
    uint64_t next = 0;  // where the next step starts
    uint8_t delimiter = 0;
    bool cut = false;  // a CR has ended the line's text
    bool escaped_end = false;
    uint64_t line = 0;  // where it started
    uint64_t column = 0;
    uint64_t after = 0;              // once closed: the first byte after it
    bool ended_at_line_end = false;  // once closed: `after` follows the LF that closed it
    DefinitionState definition;
};

// The bytes the search for the region's end stops at: line ends, its escape,
// its end mark's first byte (in any case under `fold`).
StopBytes region_stops_of(const RegionRule& region, bool fold);

// The length the region's start takes at `pos`, its `length` bytes matched
// there; 0 when it starts nothing. `delimiter` is set for a verb.
uint64_t region_start_length(const RulesText& text, const TextKeeping& keeping, uint64_t pos,
                             size_t length, const RegionRule& rule, uint8_t& delimiter);

void open_region(OpenRegion& region, const RegionRule& rule, const StopBytes& stops, uint64_t next,
                 uint64_t line, uint64_t column, uint8_t delimiter);

// Steps the open region over the bytes before `limit`, as far as they are at
// hand; closes it (rule none, `after` set) where it ends.
// Hot: a change needs a benchmark run.
void advance_region(OpenRegion& region, const RulesText& text, TextCase text_case, uint64_t limit);

// Whether a region still open at the end of the text fails the file: one that
// would end at its line's end does not, the text's end ending its last line;
// nor does a line region, a definition outside its groups or the end of text.
bool region_fails_file(const OpenRegion& region, const RulesText& text);
