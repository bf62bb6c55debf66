#pragma once

#include "gate/report_format.h"

// One JSON document for the run: an entry a file, with the file's verdict, its
// pairs' counts and its findings, and the run's totals at the end.
extern const ReportFormat kJsonFormat;
