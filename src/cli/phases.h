#pragma once

#include "nesting/scan_state.h"
#include "tags/tag_table.h"
#include "text/line_reader.h"
#include "text/output_buffer.h"

// The phases of a check run, in the order the driver calls them. Each ends the
// run through fatal_error when it fails.

// Loads "_tamberlox_opn.txt" and "_tamberlox_cls.txt" from the current directory
// and rejects lists that would make the scan ambiguous.
TagTable load_tag_table();

// Finds every occurrence of every name, follows the depth and fills the counters.
ScanState scan_file(LineReader& reader, TagTable& table);

// Writes the tag structure, the tag numbers and the verdict; the tag numbers may
// clear the ok flag.
void print_report(ScanState& state, const TagTable& table, OutputBuffer& out);
