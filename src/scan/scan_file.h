#pragma once

#include "match/tag_matcher.h"
#include "scan/name_tally.h"
#include "scan/occurrence_list.h"
#include "scan/scan_loop.h"
#include "tags/tag_table.h"
#include "text/file_reader.h"

// What a scan of the checked file on one thread yields; the report prints it.
struct ScanResult {
    OccurrenceList occurrences;
    NameTally tally;
    // The scan stopped at a read error: the rest is incomplete, nothing to report.
    bool read_error = false;
};

// The checker's sink: every name into the occurrence list, counted.
struct OccurrenceSink {
    ScanResult& result;
};

// Hot: a change needs a benchmark run.
inline void take_names(OccurrenceSink& sink, const FoundBatch& batch) {
    OccurrenceList& list = sink.result.occurrences;
    tally_names(sink.result.tally, batch.names,
                [&list](const FoundName& name) { append_occurrence(list, name.id, name.line); });
}

inline void end_text(OccurrenceSink& sink, const TextScan&) {
    settle_verdict(sink.result.tally);
}

// Finds every occurrence of every name of `table` in the file, follows the depth,
// counts each name and settles the verdict. Throws std::bad_alloc when memory
// runs out.
ScanResult scan_file(FileReader& reader, const TagMatcher& matcher, const TagTable& table);
