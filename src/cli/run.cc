#include "cli/run.h"

#include <unistd.h>

#include <new>
#include <string>
#include <string_view>
#include <utility>

#include "cli/fatal_error.h"
#include "cli/parallel_check.h"
#include "cli/phases.h"

static void print_usage(std::string_view program) {
    OutputBuffer out;
    open_output(out, STDOUT_FILENO, 4096);
    put_bytes(out, "USAGE :\n\t");
    put_bytes(out, program);
    put_bytes(out,
              " FILENAME\n"
              "DISPLAYS :\n"
              "\t***** TAG STRUCTURE *****\n"
              "\tlvl  tag : line\n"
              "\t***** TAG NUMBERS *****\n"
              "\tchk  opn_tag (opn_num) - cls_tag (cls_num)\n"
              "\tmessages\n"
              "MEANINGS :\n"
              "\tlvl ........ indent level. * for error.\n"
              "\ttag ........ tag name.\n"
              "\tline ....... line in which tag appears.\n"
              "\tchk ........ blank. * for error.\n"
              "\topn_tag .... open tag name.\n"
              "\topn_num .... number of open tags.\n"
              "\tcls_tag .... close tag name.\n"
              "\tcls_num .... number of close tags.\n"
              "\tmessages ... result.\n"
              "FILES :\n"
              "_tamberlox_opn.txt ... for open tag names. must be in the current dir.\n"
              "_tamberlox_cls.txt ... for close tag names. must be in the current dir.\n");
    flush_output(out);
}

static void check_file(const std::string& file_name) {
    TagTable table = load_tag_table();
    LineReader reader;
    OpenResult opened = open(reader, file_name);
    if (opened == OpenResult::cannot_open)
        fatal_error("ERROR : can't open %s.\n", {file_name});
    if (opened == OpenResult::out_of_memory)
        fatal_error("ERROR : Allocation error.\n");
    if (check_in_parallel(reader, table))
        return;
    ScanState state = scan_file(reader, table);
    // The report goes out through the read buffer: its pages are mapped already,
    // and on some machines mapping a page costs as much as scanning 50 KB.
    OutputBuffer out;
    open_output(out, STDOUT_FILENO, std::move(reader.buffer), reader.capacity);
    close(reader);
    print_report(state, table, out);
}

int run_checker(int argc, const char* const* argv) {
    try {
        if (argc != 2) {
            print_usage(argc >= 1 && argv[0] != nullptr ? argv[0] : "tamberlox");
            return 0;
        }
        check_file(argv[1]);
    } catch (const std::bad_alloc&) {
        fatal_error("ERROR : Allocation error.\n");
    }
    return 0;
}
