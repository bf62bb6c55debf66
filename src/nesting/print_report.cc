#include "cli/phases.h"

static void put_occurrence(OutputBuffer& out, const TagOccurrence& occurrence,
                           const TagTable& table) {
    if (occurrence.lvl < 0) {
        put_bytes(out, "*    ");
    } else {
        uint64_t lvl = static_cast<uint64_t>(occurrence.lvl);
        put_decimal_field(out, lvl + 1, 3);
        put_blanks(out, 4 * lvl + 2);
    }
    const auto& names = occurrence.kind == TagKind::open ? table.opn_tag : table.cls_tag;
    put_bytes(out, names[occurrence.pair]);
    put_bytes(out, " : ");
    put_decimal(out, occurrence.line);
    put_bytes(out, "\n");
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
    put_bytes(out, "***** TAG STRUCTURE *****\n");
    const OccurrenceList& occurrences = state.occurrences;
    for (size_t i = 0; i < occurrences.size; ++i) put_occurrence(out, occurrences.data[i], table);
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
