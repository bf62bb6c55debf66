#include "scan/scan_file.h"

// The file is taken in chunks straight from the reader's buffer: the matcher
// follows the line ends itself, so no line is ever copied.
ScanResult scan_file(FileReader& reader, const TagMatcher& matcher, const TagTable& table) {
    ScanResult result;
    start_tally(result.tally, table.n);
    OccurrenceSink sink{result};
    result.read_error = scan_text(matcher, reader, sink) == ReadStatus::error;
    return result;
}
