#pragma once

#include <string>

#include "tags/load_tag_table.h"

// The checker's own words for a rejection of its lists.
std::string checker_rejection_message(const ListRejection& rejection);

// The whole run: the usage text or a check run. Returns the exit status.
int run_checker(int argc, const char* const* argv);
