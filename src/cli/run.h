#pragma once

// The whole run: the usage text or a check run. Returns the exit status.
int run_checker(int argc, const char* const* argv);
