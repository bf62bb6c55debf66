#include "rules_engine_support.h"

#include <algorithm>

#include "check_support.h"
#include "rules/rules_filter.h"
#include "scan/name_tally.h"
#include "scan/pair_matching.h"
#include "scan/scan_loop.h"

namespace {

struct RandomChunks {
    std::string_view rest;
    size_t most_chunk;
    std::mt19937_64 random;
    bool fixed;
};

ReadStatus read_chunk(RandomChunks& source, std::string_view& chunk) {
    if (source.rest.empty())
        return ReadStatus::end;
    size_t drawn =
        source.fixed ? source.most_chunk : 1 + random_below(source.random, source.most_chunk);
    size_t size = std::min(source.rest.size(), drawn);
    chunk = source.rest.substr(0, size);
    source.rest.remove_prefix(size);
    return ReadStatus::chunk;
}

struct KeptSink {
    const TagTable& table;
    RulesCheck& check;
    const std::vector<uint64_t>& columns;  // in step with the batch's names
    NameTally tally;
    int64_t depth = 0;
    PairMatching matching;  // the gate's, for the crossings
};

void take_names(KeptSink& sink, const FoundBatch& batch) {
    for (size_t i = 0; i < batch.names.size(); ++i) {
        const FoundName& name = batch.names[i];
        bool is_close = name.id & 1;
        KeptName kept;
        kept.pair = name.id >> 1;
        kept.kind = is_close ? KeptKind::cls : KeptKind::opn;
        if (is_close)
            --sink.depth;
        kept.lvl = sink.depth;
        sink.depth = std::max<int64_t>(is_close ? sink.depth : sink.depth + 1, 0);
        kept.line = name.line;
        kept.column = sink.columns[i];
        kept.offset = name.start;
        sink.check.kept.push_back(kept);
        match_name(sink.matching, static_cast<uint32_t>(kept.pair), is_close,
                   {kept.line, kept.column});
    }
    tally_names(sink.tally, batch.names, [](const FoundName&) {});
}

void end_text(KeptSink& sink, const TextScan&) {
    settle_verdict(sink.tally);
}

std::string quoted_argument(std::string_view bytes) {
    std::string out = "\"";
    for (char byte : bytes) {
        if (byte == '"' || byte == '\\')
            out += '\\';
        out += byte;
    }
    return out + "\"";
}

std::string random_mark(std::mt19937_64& random, const std::vector<std::string>& names,
                        std::string_view marks) {
    if (random_below(random, 3) == 0) {
        const std::string& name = names[random_below(random, names.size())];
        return name.substr(0, 1 + random_below(random, name.size()));
    }
    return random_text(random, 1 + random_below(random, 3), marks);
}

// A region rule; the STARTs of those that may be comments go to `comment_starts`.
std::string random_region(std::mt19937_64& random, const std::vector<std::string>& names,
                          std::string_view marks, std::vector<std::string>& comment_starts) {
    std::string start = quoted_argument(random_mark(random, names, marks));
    enum { verb, line_region, region, definition = 3, end_of_text = 4, directive = 5, declared };
    size_t kind = random_below(random, 8);
    kind = kind == 7 ? size_t{region} : kind;
    if (kind == verb)
        return "verb " + start + "\n";
    if (kind == declared)
        return "declared-region " + start + " " +
               quoted_argument(random_mark(random, names, marks)) + " " +
               quoted_argument(random_mark(random, names, marks)) + "\n";
    const char* keywords[] = {"",          "line-region ", "region ", "definition ", "end-of-text ",
                              "directive "};
    std::string line = keywords[kind] + start;
    if (kind == region)
        line += " " + quoted_argument(random_mark(random, names, marks));
    auto random_byte = [&] { return std::string(1, marks[random_below(random, marks.size())]); };
    if (kind != end_of_text && random_below(random, 3) == 0)
        line += " escape " + quoted_argument(random_byte());
    if (kind == line_region || kind == region)
        comment_starts.push_back(start);
    if (random_below(random, 4) == 0)
        line += " not-after " + quoted_argument(random_byte());
    if (random_below(random, 5) == 0)
        line += " only-after " + quoted_argument(random_byte());
    if (kind == region && random_below(random, 3) == 0)
        line += " one-line";
    if (kind == definition && random_below(random, 2) == 0)
        line += " comment " + quoted_argument(random_byte());
    if (kind == definition && random_below(random, 2) == 0)
        line += " blank-line";
    if (kind == end_of_text && random_below(random, 2) == 0)
        line += " outermost";
    if (kind == end_of_text && random_below(random, 2) == 0)
        line += " unread";
    if (random_below(random, 4) == 0)
        line += " word-end";
    if (random_below(random, 4) == 0)
        line += " not-in-number";
    return line + "\n";
}

// A branch mark: a byte or two, now and then a blank and one more.
std::string random_branch_mark(std::mt19937_64& random, std::string_view marks) {
    std::string mark = random_text(random, 1 + random_below(random, 2), marks);
    if (random_below(random, 2) == 0)
        mark.append(" ").append(random_text(random, 1, marks));
    return quoted_argument(mark);
}

std::string random_branches(std::mt19937_64& random, std::string_view marks) {
    std::string line_start = random_below(random, 2) == 0 ? "line-start " : "";
    std::string start = random_branch_mark(random, marks);
    std::string rules = "branch-start " + line_start + start + "\n";
    rules += "branch-else " + line_start + random_branch_mark(random, marks) + "\n";
    rules += "branch-end " + line_start + random_branch_mark(random, marks) + "\n";
    if (random_below(random, 2) == 0)
        rules += "branch-false " + start.substr(0, start.size() - 1) + " 0\"\n";
    return rules;
}

}  // namespace

RulesCheck engine_rules_check(std::string_view bytes, const TagTable& table, const TagRules& rules,
                              size_t most_chunk, uint64_t seed, bool fixed_chunks) {
    // The matcher walked each of its ways, by the seed.
    const MatcherOptions ways[] = {{}, {.dense_entry_limit = 0}, {.tail_states = 0}};
    RulesMatcher rules_matcher = build_rules_matcher(table, rules, ways[seed % 3]);
    RulesCheck check;
    RulesText text;
    start_rules_text(text, rules_matcher.keeping);
    RulesFilterState state;
    start_rules_filter(state, rules_matcher, text);
    KeptSink kept{table, check, state.kept_columns, {}, 0, {}};
    start_tally(kept.tally, table.n);
    start_pair_matching(kept.matching, table.n);
    RulesSink<KeptSink> sink{state, kept};
    RandomChunks chunks{bytes.substr(0, bytes.find('\x1a')), most_chunk, std::mt19937_64(seed),
                        fixed_chunks};
    RulesSource<RandomChunks> source{chunks, rules_matcher, text};
    scan_text(rules_matcher.matcher, source, sink);
    if (state.checking.unread)
        forget_open_names(kept.tally, kept.matching);
    check.opn_num = kept.tally.opn_num;
    check.cls_num = kept.tally.cls_num;
    check.ended_in_region = state.ended_in_region;
    for (const BrokenTag& broken : state.broken)
        check.broken.push_back({broken.line, broken.column, broken.id});
    const RecordSpool<PendingClose>& pending = kept.matching.pending.closes;
    for (uint64_t i = 0; i < pending.size; ++i)
        check.crossed = check.crossed || crosses(*spool_record(pending, i));
    check.branch_warnings = state.branches.warnings;
    check.ok = kept.tally.judged_ok && !state.ended_in_region && check.broken.empty() &&
               !(rules.crossing_errors && check.crossed);
    check.switched_off = state.checking.switched;
    if (state.checking.off_file) {
        // As the gate reads such a file: none of its names counts.
        check = RulesCheck{};
        check.opn_num.assign(table.n, 0);
        check.cls_num.assign(table.n, 0);
        check.switched_off = true;
    }
    return check;
}

namespace {

struct ListedSink {
    std::vector<std::string> names;  // "id line:column@offset", in order
};

void take_names(ListedSink& sink, const FoundBatch& batch) {
    for (size_t i = 0; i < batch.names.size(); ++i) {
        const FoundName& name = batch.names[i];
        sink.names.push_back(std::to_string(name.id) + " " + std::to_string(name.line) + ":" +
                             std::to_string((*batch.columns)[i]) + "@" +
                             std::to_string(name.start));
    }
}

void end_text(ListedSink&, const TextScan&) {}

// The names kept from `from` on (null: the text's start), and the restart
// points noted on the way.
std::vector<std::string> kept_from(std::string_view bytes, const RulesMatcher& rules_matcher,
                                   size_t most_chunk, uint64_t seed, uint64_t spacing,
                                   const FilterRestart* from,
                                   std::vector<FilterRestart>& restarts) {
    RulesText text;
    start_rules_text(text, rules_matcher.keeping);
    RulesFilterState state;
    start_rules_filter(state, rules_matcher, text);
    TextStart start;
    if (from != nullptr) {
        resume_rules_text(text, from->offset);
        resume_rules_filter(state, *from);
        start = {from->offset, from->line};
    }
    note_filter_restarts(state, spacing);
    ListedSink listed;
    RulesSink<ListedSink> sink{state, listed};
    RandomChunks chunks{bytes.substr(start.offset), most_chunk, std::mt19937_64(seed), false};
    RulesSource<RandomChunks> source{chunks, rules_matcher, text};
    scan_text(rules_matcher.matcher, source, sink, start);
    restarts = std::move(state.restarts);
    return listed.names;
}

uint64_t offset_of(const std::string& listed) {
    return std::stoull(listed.substr(listed.find('@') + 1));
}

}  // namespace

std::string restart_differences(std::string_view bytes, const TagTable& table,
                                const TagRules& rules, size_t most_chunk, uint64_t seed,
                                uint64_t spacing, size_t& reads) {
    RulesMatcher rules_matcher = build_rules_matcher(table, rules);
    bytes = bytes.substr(0, bytes.find('\x1a'));
    std::vector<FilterRestart> restarts, unused;
    std::vector<std::string> whole =
        kept_from(bytes, rules_matcher, most_chunk, seed, spacing, nullptr, restarts);
    for (const FilterRestart& restart : restarts) {
        std::string at = "restart at " + std::to_string(restart.offset) + ": ";
        if (restart.offset == 0 || bytes[restart.offset - 1] != '\n' ||
            restart.line != 1 + static_cast<uint64_t>(std::count(
                                    bytes.begin(), bytes.begin() + restart.offset, '\n')))
            return at + "not the start of line " + std::to_string(restart.line) + "\n";
        std::vector<std::string> expected;
        for (const std::string& name : whole) {
            if (offset_of(name) >= restart.offset)
                expected.push_back(name);
        }
        ++reads;
        std::vector<std::string> actual =
            kept_from(bytes, rules_matcher, most_chunk, seed + 1, spacing, &restart, unused);
        if (actual != expected) {
            size_t i = 0;
            while (i < actual.size() && i < expected.size() && actual[i] == expected[i])
                ++i;
            return at + "kept #" + std::to_string(i) + ": expected " +
                   (i < expected.size() ? expected[i] : "-") + ", got " +
                   (i < actual.size() ? actual[i] : "-") + "\n";
        }
    }
    return "";
}

std::vector<FilterRestart> noted_restarts(std::string_view bytes, const TagTable& table,
                                          const TagRules& rules, size_t most_chunk,
                                          uint64_t spacing) {
    RulesMatcher rules_matcher = build_rules_matcher(table, rules);
    std::vector<FilterRestart> restarts;
    kept_from(bytes, rules_matcher, most_chunk, 0, spacing, nullptr, restarts);
    return restarts;
}

std::string rules_check_differences(const TagTable& table, const RulesCheck& expected,
                                    const RulesCheck& actual) {
    std::string out;
    auto describe = [&](const KeptName& kept) {
        return std::string(name_of(table, 2 * kept.pair + (kept.kind == KeptKind::cls))) + "@" +
               std::to_string(kept.line) + ":" + std::to_string(kept.column) + "/" +
               std::to_string(kept.offset) + "(" + std::to_string(kept.lvl) + ")";
    };
    size_t common = std::min(expected.kept.size(), actual.kept.size());
    for (size_t i = 0; i <= common; ++i) {
        bool expected_has = i < expected.kept.size();
        bool actual_has = i < actual.kept.size();
        std::string e = expected_has ? describe(expected.kept[i]) : "-";
        std::string a = actual_has ? describe(actual.kept[i]) : "-";
        if (e != a) {
            out += "kept #" + std::to_string(i) + ": expected " + e + ", got " + a + "\n";
            break;
        }
    }
    if (expected.opn_num != actual.opn_num || expected.cls_num != actual.cls_num)
        out += "counts differ\n";
    if (expected.broken != actual.broken)
        out += "broken tags differ: expected " + std::to_string(expected.broken.size()) + "\n";
    if (expected.crossed != actual.crossed)
        out += "crossing: expected " + std::to_string(expected.crossed) + "\n";
    if (expected.ended_in_region != actual.ended_in_region)
        out += "ended in region: expected " + std::to_string(expected.ended_in_region) + "\n";
    auto warnings = [](const RulesCheck& check) {
        std::string text;
        for (const BranchWarning& warning : check.branch_warnings)
            text += std::to_string(warning.place.line) + ":" +
                    std::to_string(warning.place.column) + "<" +
                    std::to_string(warning.first_line) + " ";
        return text;
    };
    if (warnings(expected) != warnings(actual))
        out +=
            "branch warnings: expected " + warnings(expected) + ", got " + warnings(actual) + "\n";
    if (expected.switched_off != actual.switched_off)
        out += "switched off: expected " + std::to_string(expected.switched_off) + "\n";
    if (expected.ok != actual.ok)
        out += "verdict: expected " + std::string(expected.ok ? "ok" : "errors") + "\n";
    return out;
}

std::string random_rules_text(std::mt19937_64& random, const std::vector<std::string>& names,
                              std::string_view marks) {
    std::string rules;
    if (random_below(random, 2) == 0)
        rules += "ignore-case\n";
    if (random_below(random, 3) == 0)
        rules += "blank-runs\n";
    if (random_below(random, 2) == 0) {
        rules += "word-end";
        if (random_below(random, 2) == 0) {
            rules += ' ';
            rules += quoted_argument(names[random_below(random, names.size())]);
        }
        rules += "\n";
    }
    std::vector<std::string> comment_starts;
    for (size_t r = random_below(random, 4); r > 0; --r)
        rules += random_region(random, names, marks, comment_starts);
    if (!comment_starts.empty() && random_below(random, 2) == 0)
        rules += "markers " + comment_starts[random_below(random, comment_starts.size())] + "\n";
    if (random_below(random, 3) == 0)
        rules += "self-closing " +
                 quoted_argument(random_text(random, 1 + random_below(random, 2), marks)) + " " +
                 quoted_argument(random_text(random, 1, marks)) + "\n";
    if (random_below(random, 4) == 0)
        rules += "tag-end " +
                 quoted_argument(random_text(random, 1 + random_below(random, 2), marks)) + "\n";
    if (random_below(random, 3) == 0)
        rules += "tag-quotes " +
                 quoted_argument(random_text(random, 1 + random_below(random, 2), marks)) + "\n";
    if (random_below(random, 3) == 0)
        rules += "tag-break " + quoted_argument(random_text(random, 1, marks)) + "\n";
    if (random_below(random, 4) == 0)
        rules += "crossing error\n";
    if (random_below(random, 3) == 0) {
        rules += random_branches(random, marks);
        // The open names come first.
        if (random_below(random, 2) == 0)
            rules += "branch-empty-else " +
                     quoted_argument(names[random_below(random, names.size() / 2)]) + "\n";
    }
    if (random_below(random, 3) == 0) {
        const std::string& name = names[random_below(random, names.size())];
        std::string from = name.substr(0, 1 + random_below(random, name.size()));
        rules += "spelling " + quoted_argument(from) + " " +
                 quoted_argument(random_text(random, random_below(random, 3) + 1, marks)) + "\n";
    }
    return rules;
}
