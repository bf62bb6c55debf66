#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "gate/column_unit.h"
#include "gate/file_check.h"
#include "gate/gate_options.h"
#include "text/output_buffer.h"

// The seam between a run and its output formats. A format is a table of the
// few functions in which formats differ: the document's start and end, one
// file's report, and how a name and a file's name are written. Each format is a
// unit of its own (format_gnu, format_github, format_json); `report_format`
// is the one place that picks a table for an OutputFormat. What every format
// writes alike (the messages, the walk over the findings shown) is in
// format_parts.h.

// The names as a format writes them inside messages: quoted, printable and
// escaped for the format, made once a run.
struct NameTexts {
    const std::vector<std::string>* opn_tag;
    const std::vector<std::string>* cls_tag;
    std::vector<std::string> quoted_opn;
    std::vector<std::string> quoted_cls;
    std::string (*name_text)(std::string_view quoted) = nullptr;
};

// Bytes of the rules (a mark, a region's START) quoted as the names are.
std::string quoted_text(const NameTexts& names, const std::string& bytes);

// What is printed of each file: with `quiet`, only the findings that fail it;
// at most `max_findings` of them (0: all), and then how many were left out.
// Columns are counted in `column_unit` (SARIF's own: code points).
struct ReportChoice {
    bool strict = false;
    bool quiet = false;
    uint64_t max_findings = 0;
    ColumnUnit column_unit = ColumnUnit::display;
};

struct FileReport {
    const std::string& name;
    const FileCheck& check;
    bool fails;
};

// The items of a document (the files of a JSON document, the results of a
// SARIF run) are separated: whether one is written yet tells the next one to
// write the separator first.
struct DocumentItems {
    bool any = false;
};

// A file that could not be checked, as the document's end may list it.
struct UnreadableFile {
    const std::string* name;
    FileStatus status;
    int error_number;
};

// A file whose findings were cut short by --max-findings.
struct FindingsLeftOut {
    const std::string* name;
    uint64_t count;
};

struct RunTotals {
    size_t files = 0;
    size_t failed = 0;
    std::vector<UnreadableFile> unreadable;
    std::vector<FindingsLeftOut> left_out;
};

struct ReportFormat;

// How every file of a run is reported, made once a run.
struct ReportSetup {
    const ReportFormat* format;
    NameTexts names;
    ReportChoice choice;
};

struct ReportFormat {
    void (*put_start)(OutputBuffer& out, const ReportChoice& choice);
    // One file's report; `file` is its name as `file_text` writes it. Returns
    // how many findings --max-findings left out.
    uint64_t (*put_file)(OutputBuffer& out, const FileReport& report, const std::string& file,
                         const ReportSetup& setup, DocumentItems& items);
    void (*put_end)(OutputBuffer& out, const RunTotals& totals);
    // A quoted, printable name as it stands inside a message.
    std::string (*name_text)(std::string_view quoted);
    // A file's name, its bytes as given.
    std::string (*file_text)(const std::string& name);
    const char* between_items;
};

const ReportFormat& report_format(OutputFormat format);

// The run's exit status: 0 when every file passes, 1 when some file fails, 2
// when some file could not be checked.
int exit_status(const RunTotals& totals);

ReportSetup make_report_setup(OutputFormat format, const ReportChoice& choice,
                              const std::vector<std::string>& opn_tag,
                              const std::vector<std::string>& cls_tag);

// Writes one checked file as the setup's format prints it, finding by finding;
// returns how many findings --max-findings left out.
uint64_t write_file_report(OutputBuffer& out, const FileReport& report, const ReportSetup& setup,
                           DocumentItems& items);

// A report written ahead into `text` with its own DocumentItems, `text_items`
// whether it holds an item, joined to the document.
void put_report_written_ahead(OutputBuffer& out, const ReportSetup& setup, DocumentItems& items,
                              const std::string& text, bool text_items);

// Before an item of the document: the separator, when an item came before.
void start_item(OutputBuffer& out, const ReportSetup& setup, DocumentItems& items);

// For the formats with nothing around the files' reports.
void put_no_start(OutputBuffer& out, const ReportChoice& choice);
void put_no_end(OutputBuffer& out, const RunTotals& totals);
