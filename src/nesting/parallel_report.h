#pragma once

// The report of a scan on several threads. The tag structure is cut into
// pieces at the occurrence blocks of each range; threads format the pieces in
// turn into output blocks of their own, and the calling thread writes the
// blocks in file order. A thread holds at most plan.output_blocks blocks, all
// taken before anything is written: it waits for the writer to give one back
// before it goes on, so memory stays bounded however large the report.

#include "nesting/parallel_scan.h"
#include "tags/tag_table.h"
#include "text/output_buffer.h"

// False when a write failed; the output stops there. Throws std::bad_alloc,
// before anything is written, when memory runs out.
bool print_report_in_parallel(const ParallelScan& scan, const TagTable& table,
                              const ParallelPlan& plan, OutputBuffer& out);
