#pragma once

#include "gate/report_format.h"

// SARIF 2.1.0, one run: the tool with the kinds of finding as its rules, a
// result a finding (its note a related location), and the invocation with the
// files that could not be checked and the findings left out as notifications.
// Artifact URIs are relative where the file names are.
extern const ReportFormat kSarifFormat;
