#include <new>
#include <vector>

#include "cli/fatal_error.h"
#include "cli/phases.h"
#include "nesting/tag_matcher.h"

// Branch-free on the kind: open and close tags come in no predictable order.
static void record_found(ScanState& state, TagTable& table, std::vector<FoundName>& found) {
    uint64_t* counters[2] = {table.opn_num.data(), table.cls_num.data()};
    int64_t depth = state.depth;
    bool ok = state.ok;
    for (const FoundName& name : found) {
        uint32_t is_close = name.id & 1;
        ok &= enter_tag(depth, is_close) >= 0;
        if (!append_occurrence(state.occurrences, name.id, name.line)) {
            fatal_error("ERROR : Allocation error.\n");
        }
        ++counters[is_close][name.id >> 1];
    }
    state.depth = depth;
    state.ok = ok;
    found.clear();
}

// The file is taken in chunks straight from the reader's buffer: the matcher
// follows the line ends itself, so no line is ever copied.
static void scan_chunks(LineReader& reader, TagTable& table, ScanState& state) {
    TagMatcher matcher = build_tag_matcher(table);
    TextScan scan;
    start_text_scan(matcher, scan);
    std::vector<FoundName> found;
    found.reserve(2 * kFoundBatch);
    std::string_view chunk;
    while (next_chunk(reader, chunk)) {
        while (!find_names(matcher, chunk, scan, found))
            record_found(state, table, found);
        record_found(state, table, found);
    }
    finish_text_scan(scan, found);
    record_found(state, table, found);
}

ScanState scan_file(LineReader& reader, TagTable& table) {
    ScanState state;
    try {
        scan_chunks(reader, table, state);
    } catch (const std::bad_alloc&) {
        fatal_error("ERROR : Allocation error.\n");
    }
    if (state.depth != 0)
        state.ok = false;
    return state;
}
