// The gate's rules engine on random lists, rules and files, against the plain
// rules reference: the names kept with their lines, offsets and levels, the
// counts and the verdict.
//
// Input: four header bytes, then the open list's bytes, the close list's bytes,
// the rules file's bytes and the checked file's bytes. Header byte 0 picks the
// largest chunk the text is read in (1 to 64 bytes, or 64 KiB from 0xf0 up) and
// seeds their sizes; bytes 1 to 3 are the lengths of the two lists and the rules,
// cut to what is there. Lists and rules the gate would refuse are passed over.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "check_support.h"
#include "reference_rules.h"
#include "rules/rules_collision.h"
#include "rules_engine_support.h"
#include "text/line_reader.h"

static std::string_view take_front(std::string_view& rest, size_t length) {
    std::string_view front = rest.substr(0, std::min(length, rest.size()));
    rest.remove_prefix(front.size());
    return front;
}

// The lists as the gate would accept them, or false.
static bool accepted_lists(std::string_view opn, std::string_view cls, TagTable& table) {
    table.opn_tag = split_lines(opn);
    table.cls_tag = split_lines(cls);
    table.n = table.opn_tag.size();
    if (table.n == 0 || table.cls_tag.size() != table.n)
        return false;
    for (size_t j = 0; j < table.n; ++j) {
        if (table.opn_tag[j].empty() || table.cls_tag[j].empty())
            return false;
    }
    return true;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4)
        return 0;
    std::string_view rest(reinterpret_cast<const char*>(data) + 4, size - 4);
    std::string_view opn = take_front(rest, data[1]);
    std::string_view cls = take_front(rest, data[2]);
    std::string_view rules_bytes = take_front(rest, data[3]);
    TagTable table;
    if (!accepted_lists(opn, cls, table))
        return 0;
    RulesLoad load = parse_rules(rules_bytes, "R", table);
    if (!load.ok || find_first_rules_collision(table, load.rules).place != CollisionPlace::none)
        return 0;
    size_t most_chunk = data[0] >= 0xf0 ? size_t{1} << 16 : 1 + data[0] % 64;
    RulesCheck expected = reference_rules_check(rest, table, load.rules);
    RulesCheck actual = engine_rules_check(rest, table, load.rules, most_chunk, data[0]);
    std::string differences = rules_check_differences(table, expected, actual);
    if (differences.empty()) {
        // And a read from each restart point keeps what the whole read kept there.
        size_t reads = 0;
        differences = restart_differences(rest, table, load.rules, most_chunk, data[0],
                                          1 + data[0] % 64, reads);
    }
    if (!differences.empty()) {
        std::fprintf(stderr, "mismatch: %s", differences.c_str());
        std::abort();
    }
    return 0;
}
