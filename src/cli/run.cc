#include "cli/run.h"

#include <unistd.h>

#include <new>
#include <string>
#include <string_view>
#include <utility>

#include "cli/parallel_check.h"
#include "match/tag_matcher.h"
#include "report/print_report.h"
#include "scan/scan_file.h"
#include "tags/load_tag_table.h"
#include "text/fatal_error.h"
#include "text/file_reader.h"
#include "text/output_buffer.h"

constexpr const char* kReadError = "ERROR : can't read %s.\n";
constexpr const char* kWriteError = "ERROR : can't write standard output.\n";

namespace {

// False when standard output cannot be written.
bool print_usage(std::string_view program) {
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
    return flush_output(out);
}

// The matcher goes before the report, which then reuses its memory.
ScanResult scan_checked_file(FileReader& reader, const TagTable& table) {
    const TagMatcher matcher = build_tag_matcher(table, drawn_matcher_options());
    return scan_file(reader, matcher, table);
}

// The checker says a rejection of its lists in one line, but a "suspicious"
// list without a line end: scripts compare its output byte for byte.
std::string checker_rejection_message(const ListRejection& rejection) {
    std::string message = rejection_text(rejection);
    if (rejection.kind != RejectionKind::suspicious)
        message += '\n';
    return message;
}

// The phases of a check run, in their fixed order; the first failure ends the run.
void check_file(const std::string& file_name) {
    const TagTableLoad lists = load_tag_table(".");
    if (!lists.ok)
        fatal_error(checker_rejection_message(lists.rejection));
    const TagTable& table = lists.table;
    FileReader reader;
    if (!open_file_reader(reader, file_name))
        fatal_error("ERROR : can't open %s.\n", {file_name});
    switch (check_in_parallel(reader, table)) {
        case ParallelCheck::not_taken:
            break;
        case ParallelCheck::reported:
            return;
        case ParallelCheck::read_error:
            fatal_error(kReadError, {file_name});
        case ParallelCheck::write_error:
            fatal_error(kWriteError);
    }
    const ScanResult result = scan_checked_file(reader, table);
    if (result.read_error)
        fatal_error(kReadError, {file_name});
    close_file_reader(reader);
    // The report goes out through the read buffer: its pages are mapped already,
    // and on some machines mapping a page costs as much as scanning 50 KB.
    OutputBuffer out;
    open_output(out, STDOUT_FILENO, std::move(reader.buffer), reader.capacity);
    if (!print_report(result, table, out))
        fatal_error(kWriteError);
}

}  // namespace

int run_checker(int argc, const char* const* argv) {
    try {
        if (argc != 2) {
            if (!print_usage(argc >= 1 && argv[0] != nullptr ? argv[0] : "tamberlox"))
                fatal_error(kWriteError);
            return 0;
        }
        check_file(argv[1]);
    } catch (const std::bad_alloc&) {
        // Out of memory anywhere but while a list is read, which makes that list suspicious.
        fatal_error(kAllocationError);
    }
    return 0;
}
