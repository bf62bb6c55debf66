#pragma once

#include "scan/scan_file.h"
#include "tags/tag_table.h"
#include "text/output_buffer.h"

// Writes the tag structure, the tag numbers and the settled verdict of `result`.
// False when a write failed; the output stops there.
bool print_report(const ScanResult& result, const TagTable& table, OutputBuffer& out);
