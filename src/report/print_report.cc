#include "report/print_report.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "report/report_lines.h"

namespace {

// The start of a structure line up to the name: "*    " for lvl -1, otherwise
// lvl + 1 in a field of 3 characters and 4 * lvl + 2 blanks.
void put_level(OutputBuffer& out, int64_t lvl) {
    if (lvl < 0) {
        put_bytes(out, "*    ");
        return;
    }
    uint64_t level = static_cast<uint64_t>(lvl);
    put_decimal_field(out, level + 1, 3);
    put_blanks(out, 4 * level + 2);
}

constexpr int64_t kCachedLevels = 64;

ArenaText add_text(StructureWriter& writer, std::string_view text) {
    ArenaText added{writer.arena.size(), text.size()};
    writer.arena.insert(writer.arena.end(), text.begin(), text.end());
    return added;
}

}  // namespace

StructureWriter make_structure_writer(const TagTable& table) {
    StructureWriter writer;
    for (size_t pair = 0; pair < table.n; ++pair) {
        writer.name_text.push_back(add_text(writer, table.opn_tag[pair] + " : "));
        writer.name_text.push_back(add_text(writer, table.cls_tag[pair] + " : "));
    }
    for (int64_t lvl = -1; lvl < kCachedLevels; ++lvl) {
        OutputBuffer out;
        open_output(out, -1, 512);
        put_level(out, lvl);
        flush_output(out);
        writer.level_prefix.push_back(add_text(writer, out.collected));
    }
    writer.arena.resize(writer.arena.size() + kCopySpare);
    return writer;
}

namespace {

void format_line(StructureWriter& writer, uint64_t line) {
    char digits[20];
    std::string_view text = format_decimal(line, digits);
    std::memcpy(writer.line_text, text.data(), text.size());
    writer.line_text[text.size()] = '\n';
    writer.line_length = text.size() + 1;
    writer.line = line;
}

// Line numbers only grow, mostly by a little: adding to the last digit is
// cheaper than formatting the number anew.
void set_line(StructureWriter& writer, uint64_t line) {
    uint64_t step = line - writer.line;
    if (writer.line_length == 0 || step > 9)
        return format_line(writer, line);
    size_t last = writer.line_length - 2;
    if (writer.line_text[last] + step > '9')
        return format_line(writer, line);
    writer.line_text[last] = static_cast<char>(writer.line_text[last] + step);
    writer.line = line;
}

// Most texts are short: the first two blocks are copied without a test.
char* copy_in_blocks(char* to, const char* from, size_t length) {
    std::memcpy(to, from, kCopyBlock);
    std::memcpy(to + kCopyBlock, from + kCopyBlock, kCopyBlock);
    for (size_t done = 2 * kCopyBlock; done < length; done += kCopyBlock) {
        std::memcpy(to + done, from + done, kCopyBlock);
    }
    return to + length;
}

}  // namespace

bool put_occurrence(OutputBuffer& out, StructureWriter& writer, const TagOccurrence& occurrence) {
    if (occurrence.line != writer.line)
        set_line(writer, occurrence.line);
    ArenaText name =
        writer.name_text[occurrence.pair * size_t{2} + (occurrence.kind == TagKind::close)];
    const char* arena = writer.arena.data();
    bool cached = occurrence.lvl < kCachedLevels;
    ArenaText prefix =
        cached ? writer.level_prefix[static_cast<size_t>(occurrence.lvl + 1)] : ArenaText{};
    size_t length = prefix.length + name.length + writer.line_length;
    if (cached && out.capacity - out.size < length + kCopySpare && !flush_output(out))
        return false;
    if (cached && out.capacity - out.size >= length + kCopySpare) {
        char* to = out.data.get() + out.size;
        to = copy_in_blocks(to, arena + prefix.offset, prefix.length);
        to = copy_in_blocks(to, arena + name.offset, name.length);
        copy_in_blocks(to, writer.line_text, writer.line_length);
        out.size += length;
        return true;
    }
    // Deep levels, and lines longer than the whole buffer.
    if (cached) {
        put_bytes(out, std::string_view(arena + prefix.offset, prefix.length));
    } else {
        put_level(out, occurrence.lvl);
    }
    put_bytes(out, std::string_view(arena + name.offset, name.length));
    put_bytes(out, std::string_view(writer.line_text, writer.line_length));
    return !out.failed;
}

namespace {

void put_pair_numbers(OutputBuffer& out, const NameTally& tally, const TagTable& table,
                      size_t pair) {
    uint64_t opn_num = tally.opn_num[pair];
    uint64_t cls_num = tally.cls_num[pair];
    put_bytes(out, opn_num == cls_num ? "     " : "*    ");
    put_bytes(out, table.opn_tag[pair]);
    put_bytes(out, " (");
    put_decimal(out, opn_num);
    put_bytes(out, ") - ");
    put_bytes(out, table.cls_tag[pair]);
    put_bytes(out, " (");
    put_decimal(out, cls_num);
    put_bytes(out, ")\n");
}

}  // namespace

uint64_t longest_structure_line(const TagTable& table, int64_t deepest) {
    size_t longest_name = 0;
    for (size_t pair = 0; pair < table.n; ++pair)
        longest_name =
            std::max({longest_name, table.opn_tag[pair].size(), table.cls_tag[pair].size()});
    uint64_t level = static_cast<uint64_t>(std::max<int64_t>(deepest, 0));
    char digits[20];
    uint64_t field = std::max<uint64_t>(format_decimal(level + 1, digits).size(), 3);
    return field + 4 * level + 2 + longest_name + 3 + 20 + 1;
}

bool put_numbers_and_verdict(OutputBuffer& out, const NameTally& tally, const TagTable& table) {
    put_bytes(out, "\n");
    put_bytes(out, "***** TAG NUMBERS *****\n");
    for (size_t pair = 0; pair < table.n && !out.failed; ++pair) {
        if (tally.opn_num[pair] != 0 || tally.cls_num[pair] != 0) {
            put_pair_numbers(out, tally, table, pair);
        }
    }
    put_bytes(out, "\n");
    put_bytes(out, tally.judged_ok ? "Judged OK.\n" : "Errors may exist.\n");
    return flush_output(out);
}

bool print_report(const ScanResult& result, const TagTable& table, OutputBuffer& out) {
    StructureWriter writer = make_structure_writer(table);
    put_bytes(out, "***** TAG STRUCTURE *****\n");
    OccurrenceCursor cursor;
    TagOccurrence occurrence;
    // A failed write stops the report early: the rest would be dropped anyway.
    while (next_occurrence(result.occurrences, cursor, occurrence)) {
        if (!put_occurrence(out, writer, occurrence))
            break;
    }
    return put_numbers_and_verdict(out, result.tally, table);
}
