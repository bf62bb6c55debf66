#include <csignal>

#include "cli/run.h"

int main(int argc, char** argv) {
    // A reader that has gone away is a failed write, reported like any other.
    std::signal(SIGPIPE, SIG_IGN);
    return run_checker(argc, argv);
}
