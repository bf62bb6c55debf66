#pragma once

#include "gate/report_format.h"

// GitHub workflow commands, one a finding: "::error file=FILE,line=L,col=C::...",
// the note folded into the finding's message, which GitHub shows at its line.
extern const ReportFormat kGithubFormat;
