#pragma once

#include "gate/report_format.h"

// GNU style, one line a finding and one a note: "FILE:LINE:COLUMN: error: ...",
// "FILE: error: ..." for the whole file. Names and file names as printable bytes.
extern const ReportFormat kGnuFormat;
