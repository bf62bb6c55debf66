#pragma once

#include <cstdint>
#include <vector>

#include "match/tag_matcher.h"
#include "scan/occurrence_list.h"
#include "tags/tag_table.h"
#include "text/file_reader.h"

// What a scan of the checked file yields; the report prints it.
struct ScanResult {
    OccurrenceList occurrences;
    std::vector<uint64_t> opn_num;  // by pair
    std::vector<uint64_t> cls_num;
    int64_t depth = 0;  // at the end of the file
    bool close_at_level_zero = false;
    // The scan stopped at a read error: the rest is incomplete, nothing to report.
    bool read_error = false;
    bool judged_ok = false;  // the verdict, set by settle_verdict
};

// Finds every occurrence of every name of `table` in the file, follows the depth
// and counts each name. The matcher, built from the same table, is only read,
// so threads may share it. Throws std::bad_alloc when memory runs out.
ScanResult scan_file(FileReader& reader, const TagMatcher& matcher, const TagTable& table);

// The verdict: judged OK unless a close name came at level 0, the depth did not
// return to 0, or a pair's counts differ. scan_file settles it before returning;
// whoever puts a result together otherwise settles it before the report.
void settle_verdict(ScanResult& result);
