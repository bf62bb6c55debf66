#include <new>
#include <vector>

#include "cli/fatal_error.h"
#include "cli/phases.h"
#include "nesting/tag_matcher.h"

static void record_occurrence(ScanState& state, TagTable& table, uint32_t name_id, uint64_t line) {
    uint32_t pair = name_id >> 1;
    bool is_close = (name_id & 1) != 0;
    if (is_close)
        --state.depth;
    TagOccurrence occurrence{state.depth, line, pair, is_close ? TagKind::close : TagKind::open};
    if (!append_occurrence(state.occurrences, occurrence)) {
        fatal_error("ERROR : Allocation error.\n");
    }
    if (!is_close)
        ++state.depth;
    if (state.depth < 0) {
        state.depth = 0;
        state.ok = false;
    }
    ++(is_close ? table.cls_num : table.opn_num)[pair];
}

static void scan_lines(LineReader& reader, TagTable& table, ScanState& state) {
    TagMatcher matcher = build_tag_matcher(table);
    LineScan scan;
    std::vector<uint32_t> found;
    found.reserve(2 * kFoundBatch);
    Line line;
    LineResult result;
    while ((result = next_line(reader, line)) == LineResult::line) {
        start_line_scan(matcher, scan);
        bool done;
        do {
            done = find_names(matcher, line.text, scan, found);
            for (uint32_t name_id : found)
                record_occurrence(state, table, name_id, line.number);
            found.clear();
        } while (!done);
    }
    if (result == LineResult::failure)
        fatal_error("ERROR : Allocation error.\n");
}

ScanState scan_file(LineReader& reader, TagTable& table) {
    ScanState state;
    try {
        scan_lines(reader, table, state);
    } catch (const std::bad_alloc&) {
        fatal_error("ERROR : Allocation error.\n");
    }
    if (state.depth != 0)
        state.ok = false;
    return state;
}
