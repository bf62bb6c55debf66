#pragma once

// The report of a scan on several threads. The tag structure is cut into
// pieces of a few thousand occurrences of each range; threads format them in
// turn into output blocks of their own, which are written in file order by
// whichever thread finds one due. A thread holds at most plan.output_blocks
// blocks, all taken before anything is written: it waits for its blocks to be
// written before it runs further ahead, so memory stays bounded however large
// the report.

#include "scan/parallel_scan.h"
#include "tags/tag_table.h"
#include "text/output_buffer.h"

// False when a write failed; the output stops there. Throws std::bad_alloc,
// before anything is written, when memory runs out. Takes over the scan's
// read buffers.
bool print_report_in_parallel(ParallelScan& scan, const TagTable& table, const ParallelPlan& plan,
                              OutputBuffer& out);
