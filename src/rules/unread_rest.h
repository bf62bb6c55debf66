#pragma once

// An end of text under `unread` marks where the text stops being read the way
// the rules read it (TeX's \catcode`\%=12 changes what a comment is): nothing
// after it is checked, and the names still open there are no failure, their
// closes standing in the part not read. What came before is judged as ever: a
// close that closes nothing, counts of a pair that differ before the mark.

#include "scan/name_tally.h"
#include "scan/pair_matching.h"

// Takes the opens still unmatched as closed, and judges the tally again.
void forget_open_names(NameTally& tally, PairMatching& matching);
