#include "gate/report_format.h"

#include "gate/escape.h"
#include "gate/format_github.h"
#include "gate/format_gnu.h"
#include "gate/format_json.h"
#include "gate/format_sarif.h"

const ReportFormat& report_format(OutputFormat format) {
    switch (format) {
        case OutputFormat::gnu:
            return kGnuFormat;
        case OutputFormat::github:
            return kGithubFormat;
        case OutputFormat::json:
            return kJsonFormat;
        case OutputFormat::sarif:
            return kSarifFormat;
    }
    return kGnuFormat;
}

int exit_status(const RunTotals& totals) {
    return !totals.unreadable.empty() ? 2 : totals.failed > 0 ? 1 : 0;
}

namespace {

// 'name', its bytes made printable; appended piece by piece, which GCC's
// -Wrestrict does not misread as `"'" + std::string&&` is misread.
std::string quoted_name(const std::string& name) {
    std::string quoted = "'";
    quoted += printable_bytes(name);
    quoted += '\'';
    return quoted;
}

}  // namespace

ReportSetup make_report_setup(OutputFormat format, const ReportChoice& choice,
                              const std::vector<std::string>& opn_tag,
                              const std::vector<std::string>& cls_tag) {
    const ReportFormat& chosen = report_format(format);
    ReportSetup setup{&chosen, {&opn_tag, &cls_tag, {}, {}, chosen.name_text}, choice};
    for (const std::string& name : opn_tag)
        setup.names.quoted_opn.push_back(chosen.name_text(quoted_name(name)));
    for (const std::string& name : cls_tag)
        setup.names.quoted_cls.push_back(chosen.name_text(quoted_name(name)));
    return setup;
}

std::string quoted_text(const NameTexts& names, const std::string& bytes) {
    return names.name_text(quoted_name(bytes));
}

uint64_t write_file_report(OutputBuffer& out, const FileReport& report, const ReportSetup& setup,
                           DocumentItems& items) {
    return setup.format->put_file(out, report, setup.format->file_text(report.name), setup, items);
}

void put_report_written_ahead(OutputBuffer& out, const ReportSetup& setup, DocumentItems& items,
                              const std::string& text, bool text_items) {
    if (text_items)
        start_item(out, setup, items);
    put_bytes(out, text);
}

void start_item(OutputBuffer& out, const ReportSetup& setup, DocumentItems& items) {
    if (items.any)
        put_bytes(out, setup.format->between_items);
    items.any = true;
}

void put_no_start(OutputBuffer&, const ReportChoice&) {}

void put_no_end(OutputBuffer&, const RunTotals&) {}
