#include <cstring>
#include <string>
#include <vector>

#include "cli/phases.h"

// The start of a structure line up to the name: "*    " for lvl -1, otherwise
// lvl + 1 in a field of 3 characters and 4 * lvl + 2 blanks.
static void put_level(OutputBuffer& out, int64_t lvl) {
    if (lvl < 0) {
        put_bytes(out, "*    ");
        return;
    }
    uint64_t level = static_cast<uint64_t>(lvl);
    put_decimal_field(out, level + 1, 3);
    put_blanks(out, 4 * level + 2);
}

// Level prefixes and line numbers repeat from one occurrence to the next, so
// they are formatted once and copied.
struct StructureWriter {
    std::vector<std::string> level_prefix;  // index lvl + 1
    std::vector<std::string> opn_text;      // name and " : ", per pair
    std::vector<std::string> cls_text;
    uint64_t line = 0;
    char line_text[24];  // the line number and a line end
    size_t line_length = 0;
};

constexpr int64_t kCachedLevels = 64;

static StructureWriter make_structure_writer(const TagTable& table) {
    StructureWriter writer;
    for (size_t pair = 0; pair < table.n; ++pair) {
        writer.opn_text.push_back(table.opn_tag[pair] + " : ");
        writer.cls_text.push_back(table.cls_tag[pair] + " : ");
    }
    for (int64_t lvl = -1; lvl < kCachedLevels; ++lvl) {
        OutputBuffer out;
        open_output(out, -1, 512);
        put_level(out, lvl);
        flush_output(out);
        writer.level_prefix.push_back(out.collected);
    }
    return writer;
}

static void set_line(StructureWriter& writer, uint64_t line) {
    char digits[20];
    std::string_view text = format_decimal(line, digits);
    std::memcpy(writer.line_text, text.data(), text.size());
    writer.line_text[text.size()] = '\n';
    writer.line_length = text.size() + 1;
    writer.line = line;
}

static void put_occurrence(OutputBuffer& out, StructureWriter& writer,
                           const TagOccurrence& occurrence) {
    const auto& names = occurrence.kind == TagKind::open ? writer.opn_text : writer.cls_text;
    if (occurrence.line != writer.line)
        set_line(writer, occurrence.line);
    if (occurrence.lvl < kCachedLevels) {
        put_bytes(out, writer.level_prefix[static_cast<size_t>(occurrence.lvl + 1)]);
    } else {
        put_level(out, occurrence.lvl);
    }
    put_bytes(out, names[occurrence.pair]);
    put_bytes(out, std::string_view(writer.line_text, writer.line_length));
}

static void put_pair_numbers(OutputBuffer& out, ScanState& state, const TagTable& table,
                             size_t pair) {
    uint64_t opn_num = table.opn_num[pair];
    uint64_t cls_num = table.cls_num[pair];
    if (opn_num == cls_num) {
        put_bytes(out, "     ");
    } else {
        put_bytes(out, "*    ");
        state.ok = false;
    }
    put_bytes(out, table.opn_tag[pair]);
    put_bytes(out, " (");
    put_decimal(out, opn_num);
    put_bytes(out, ") - ");
    put_bytes(out, table.cls_tag[pair]);
    put_bytes(out, " (");
    put_decimal(out, cls_num);
    put_bytes(out, ")\n");
}

void print_report(ScanState& state, const TagTable& table, OutputBuffer& out) {
    StructureWriter writer = make_structure_writer(table);
    put_bytes(out, "***** TAG STRUCTURE *****\n");
    OccurrenceCursor cursor;
    TagOccurrence occurrence;
    while (next_occurrence(state.occurrences, cursor, occurrence)) {
        put_occurrence(out, writer, occurrence);
    }
    put_bytes(out, "\n");
    put_bytes(out, "***** TAG NUMBERS *****\n");
    for (size_t pair = 0; pair < table.n; ++pair) {
        if (table.opn_num[pair] != 0 || table.cls_num[pair] != 0) {
            put_pair_numbers(out, state, table, pair);
        }
    }
    put_bytes(out, "\n");
    put_bytes(out, state.ok ? "Judged OK.\n" : "Errors may exist.\n");
    flush_output(out);
}
