#include "cli/run.h"

// SIGPIPE keeps the disposition the caller gave it: by default a reader that
// goes away ends the run silently, as with any filter; when it is ignored, the
// failed write is reported like any other.
int main(int argc, char** argv) {
    return run_checker(argc, argv);
}
