#include "scan/scan_file.h"

#include <string_view>

// Hot: a change needs a benchmark run. Branch-free on the kind: open and close
// tags come in no predictable order.
static void record_found(ScanResult& result, std::vector<FoundName>& found) {
    uint64_t* counters[2] = {result.opn_num.data(), result.cls_num.data()};
    int64_t depth = result.depth;
    bool close_at_level_zero = result.close_at_level_zero;
    for (const FoundName& name : found) {
        uint32_t is_close = name.id & 1;
        close_at_level_zero |= enter_tag(depth, is_close) < 0;
        append_occurrence(result.occurrences, name.id, name.line);
        ++counters[is_close][name.id >> 1];
    }
    result.depth = depth;
    result.close_at_level_zero = close_at_level_zero;
    found.clear();
}

// The file is taken in chunks straight from the reader's buffer: the matcher
// follows the line ends itself, so no line is ever copied.
ScanResult scan_file(FileReader& reader, const TagMatcher& matcher, const TagTable& table) {
    ScanResult result;
    result.opn_num.assign(table.n, 0);
    result.cls_num.assign(table.n, 0);
    TextScan scan;
    start_text_scan(matcher, scan);
    std::vector<FoundName> found;
    found.reserve(2 * kFoundBatch);
    std::string_view chunk;
    ReadStatus status;
    while ((status = read_chunk(reader, chunk)) == ReadStatus::chunk) {
        while (!find_names(matcher, chunk, scan, found))
            record_found(result, found);
        record_found(result, found);
    }
    if (status == ReadStatus::error) {
        result.read_error = true;
        return result;
    }
    finish_text_scan(scan, found);
    record_found(result, found);
    settle_verdict(result);
    return result;
}

void settle_verdict(ScanResult& result) {
    bool counts_differ = result.opn_num != result.cls_num;
    result.judged_ok = !result.close_at_level_zero && result.depth == 0 && !counts_differ;
}
