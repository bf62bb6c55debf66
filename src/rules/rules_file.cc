#include "rules/rules_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "tags/load_tag_table.h"
#include "text/file_reader.h"

TagRules no_rules(const TagTable& table) {
    TagRules rules;
    rules.word_end.assign(2 * table.n, false);
    rules.empty_else.assign(2 * table.n, false);
    rules.self_closing.assign(2 * table.n, false);
    rules.spellings.assign(2 * table.n, {});
    return rules;
}

namespace {

// What is wrong with a rule, if anything.
struct RuleProblem {
    RuleFault fault = RuleFault::none;
    std::string subject;
};

bool holds(const RuleProblem& problem) {
    return problem.fault != RuleFault::none;
}

bool is_blank(char byte) {
    return byte == ' ' || byte == '\t';
}

int hex_value(char byte) {
    if (byte >= '0' && byte <= '9')
        return byte - '0';
    if (byte >= 'a' && byte <= 'f')
        return byte - 'a' + 10;
    if (byte >= 'A' && byte <= 'F')
        return byte - 'A' + 10;
    return -1;
}

// A quoted argument from its opening '"' at `at`; moves `at` past the closing one.
// `why` stays none on success.
std::string quoted_argument(std::string_view line, size_t& at, RuleProblem& why) {
    std::string argument;
    for (++at; at < line.size(); ++at) {
        char byte = line[at];
        if (byte == '"') {
            ++at;
            if (at < line.size() && !is_blank(line[at]))
                why.fault = RuleFault::blank_after_quote;
            return argument;
        }
        if (byte != '\\') {
            argument += byte;
            continue;
        }
        char next = at + 1 < line.size() ? line[at + 1] : 0;
        if (next == '"' || next == '\\') {
            argument += next;
            at += 1;
        } else if (next == 't') {
            argument += '\t';
            at += 1;
        } else if (next == 'x' && at + 3 < line.size() && hex_value(line[at + 2]) >= 0 &&
                   hex_value(line[at + 3]) >= 0) {
            char value = static_cast<char>(hex_value(line[at + 2]) * 16 + hex_value(line[at + 3]));
            // Such a mark could never match: the text's lines hold none of them.
            if (value == '\n' || value == '\r' || value == '\x1a') {
                why.fault = RuleFault::line_end_in_quote;
                return argument;
            }
            argument += value;
            at += 3;
        } else {
            why.fault = RuleFault::unknown_escape;
            return argument;
        }
    }
    why.fault = RuleFault::unclosed_quote;
    return argument;
}

// The line's words: keyword first, then the arguments.
std::vector<std::string> split_words(std::string_view line, RuleProblem& why) {
    std::vector<std::string> words;
    size_t at = 0;
    while (!holds(why)) {
        while (at < line.size() && is_blank(line[at]))
            ++at;
        if (at == line.size())
            break;
        if (line[at] == '"') {
            words.push_back(quoted_argument(line, at, why));
            continue;
        }
        size_t start = at;
        while (at < line.size() && !is_blank(line[at]))
            ++at;
        words.emplace_back(line.substr(start, at - start));
    }
    return words;
}

// The ids of the list names equal to `name`: an open and a close name may be equal.
std::vector<size_t> ids_named(const TagTable& table, std::string_view name) {
    std::vector<size_t> ids;
    for (size_t id = 0; id < 2 * table.n; ++id) {
        if (name_of(table, id) == name)
            ids.push_back(id);
    }
    return ids;
}

// Sets flags[id] for each name in `names` (every name if none, open names only
// when `open_only`).
RuleProblem mark_names(const TagTable& table, const std::vector<std::string>& names, bool open_only,
                       std::vector<bool>& flags) {
    if (names.empty()) {
        for (size_t id = 0; id < 2 * table.n; ++id)
            flags[id] = flags[id] || !open_only || (id & 1) == 0;
        return {};
    }
    for (const std::string& name : names) {
        bool found = false;
        for (size_t id : ids_named(table, name)) {
            if (open_only && (id & 1))
                continue;
            flags[id] = true;
            found = true;
        }
        if (!found)
            return {open_only ? RuleFault::no_open_name : RuleFault::no_name, name};
    }
    return {};
}

// Which options a kind of region takes besides not-after, only-after, word-end
// and not-in-number.
bool takes_option(RegionKind kind, const std::string& option) {
    if (kind == RegionKind::declared)
        return false;
    if (option == "one-line")
        return kind == RegionKind::to_end_mark;
    if (option == "escape")
        return kind == RegionKind::to_end_mark || kind == RegionKind::to_line_end ||
               kind == RegionKind::definition || kind == RegionKind::directive;
    if (option == "comment" || option == "blank-line")
        return kind == RegionKind::definition;
    if (option == "outermost" || option == "unread")
        return kind == RegionKind::to_text_end;
    return option == "not-after" || option == "only-after" || option == "word-end" ||
           option == "not-in-number";
}

RuleProblem region_options(const std::vector<std::string>& words, size_t from, RegionRule& region) {
    for (size_t at = from; at < words.size(); ++at) {
        const std::string& option = words[at];
        if (!takes_option(region.kind, option))
            return {RuleFault::unknown_region_option, option};
        if (option == "one-line" || option == "word-end" || option == "blank-line" ||
            option == "not-in-number" || option == "outermost" || option == "unread") {
            (option == "one-line"        ? region.one_line
             : option == "word-end"      ? region.word_end
             : option == "not-in-number" ? region.not_in_number
             : option == "outermost"     ? region.outermost
             : option == "unread"        ? region.unread
                                         : region.blank_line_ends) = true;
            continue;
        }
        if (at + 1 == words.size() || words[at + 1].size() != 1)
            return {RuleFault::option_takes_byte, option};
        char byte = words[++at][0];
        bool& has = option == "escape"       ? region.has_escape
                    : option == "not-after"  ? region.has_not_after
                    : option == "only-after" ? region.has_only_after
                                             : region.has_comment;
        char& value = option == "escape"       ? region.escape
                      : option == "not-after"  ? region.not_after
                      : option == "only-after" ? region.only_after
                                               : region.comment;
        if (has)
            return {RuleFault::given_twice, option};
        has = true;
        value = byte;
    }
    return {};
}

RuleProblem region_rule(const std::vector<std::string>& words, RegionKind kind, TagRules& rules) {
    RegionRule region;
    region.kind = kind;
    size_t marks = kind == RegionKind::to_end_mark ? 2 : kind == RegionKind::declared ? 3 : 1;
    if (words.size() < 1 + marks)
        return {RuleFault::wrong_arguments, words[0]};
    region.start = words[1];
    if (marks == 2)
        region.end = words[2];
    if (marks == 3) {
        region.named_start = words[2];
        region.named_end = words[3];
        if (region.named_start.empty() || region.named_end.empty())
            return {RuleFault::empty_region_mark, {}};
    }
    if (region.start.empty() || (marks == 2 && region.end.empty()))
        return {RuleFault::empty_region_mark, {}};
    if (kind == RegionKind::verb && words.size() > 2)
        return {RuleFault::verb_start_alone, {}};
    RuleProblem why = region_options(words, 1 + marks, region);
    rules.regions.push_back(region);
    return why;
}

RuleProblem self_closing_rule(const std::vector<std::string>& words, const TagTable& table,
                              TagRules& rules) {
    if (words.size() < 3 || words[1].empty() || words[2].empty())
        return {RuleFault::wrong_arguments, words[0]};
    if (!rules.self_close_mark.empty() &&
        (rules.self_close_mark != words[1] || rules.self_close_end != words[2]))
        return {RuleFault::one_self_close_mark, {}};
    rules.self_close_mark = words[1];
    rules.self_close_end = words[2];
    std::vector<std::string> names(words.begin() + 3, words.end());
    return mark_names(table, names, true, rules.self_closing);
}

RuleProblem spelling_rule(const std::vector<std::string>& words, const TagTable& table,
                          TagRules& rules) {
    if (words.size() < 3 || words[1].empty())
        return {RuleFault::wrong_arguments, words[0]};
    const std::string& from = words[1];
    for (size_t id = 0; id < 2 * table.n; ++id) {
        std::string_view name = name_of(table, id);
        if (!name.starts_with(from))
            continue;
        for (size_t to = 2; to < words.size(); ++to) {
            std::string other = words[to] + std::string(name.substr(from.size()));
            if (other.empty())
                return {RuleFault::empty_spelling, {}};
            rules.spellings[id].push_back(other);
        }
    }
    return {};
}

// The rules of one argument each about tags and their spans.
RuleProblem tag_rule(const std::vector<std::string>& words, TagRules& rules) {
    const std::string& keyword = words[0];
    const std::string& value = words.size() == 2 ? words[1] : std::string();
    bool is_break = keyword == "tag-break";
    bool fits = keyword == "crossing" ? value == "error" || value == "warning"
                : is_break            ? value.size() == 1
                                      : !value.empty() && value.size() < UINT8_MAX;
    if (!fits)
        return {RuleFault::wrong_arguments, keyword};
    bool given = keyword == "crossing" ? false
                 : is_break            ? rules.has_tag_break
                                       : !rules.tag_quotes.empty();
    if (given)
        return {RuleFault::given_twice, keyword};
    if (keyword == "crossing")
        rules.crossing_errors = value == "error";
    else if (is_break)
        rules.tag_break = value[0];
    else
        rules.tag_quotes = value;
    rules.has_tag_break = rules.has_tag_break || is_break;
    return {};
}

// A rule of one word that sets `flag`.
RuleProblem flag_rule(const std::vector<std::string>& words, bool& flag) {
    flag = true;
    if (words.size() == 1)
        return {};
    return {RuleFault::wrong_arguments, words[0]};
}

RuleProblem markers_rule(const std::vector<std::string>& words, TagRules& rules) {
    if (words.size() < 2)
        return {RuleFault::wrong_arguments, words[0]};
    for (size_t at = 1; at < words.size(); ++at) {
        bool found = false;
        for (RegionRule& region : rules.regions) {
            bool comment =
                region.kind == RegionKind::to_end_mark || region.kind == RegionKind::to_line_end;
            if (region.start != words[at] || !comment)
                continue;
            region.markers = true;
            found = true;
        }
        if (!found)
            return {RuleFault::no_comment_region, words[at]};
    }
    return {};
}

RuleProblem apply_rule(const std::vector<std::string>& words, const TagTable& table,
                       TagRules& rules) {
    const std::string& keyword = words[0];
    if (keyword == "ignore-case")
        return flag_rule(words, rules.ignore_case);
    if (keyword == "blank-runs")
        return flag_rule(words, rules.blank_runs);
    if (keyword == "word-end") {
        std::vector<std::string> names(words.begin() + 1, words.end());
        return mark_names(table, names, false, rules.word_end);
    }
    if (keyword == "self-closing")
        return self_closing_rule(words, table, rules);
    if (keyword == "branch-empty-else") {
        if (words.size() < 2)
            return {RuleFault::wrong_arguments, keyword};
        std::vector<std::string> names(words.begin() + 1, words.end());
        return mark_names(table, names, true, rules.empty_else);
    }
    if (keyword == "tag-end") {
        if (words.size() != 2 || words[1].empty())
            return {RuleFault::wrong_arguments, keyword};
        if (!rules.tag_end.empty())
            return {RuleFault::given_twice, keyword};
        rules.tag_end = words[1];
        return {};
    }
    if (keyword == "tag-quotes" || keyword == "tag-break" || keyword == "crossing")
        return tag_rule(words, rules);
    if (keyword == "spelling")
        return spelling_rule(words, table, rules);
    if (keyword == "region")
        return region_rule(words, RegionKind::to_end_mark, rules);
    if (keyword == "line-region")
        return region_rule(words, RegionKind::to_line_end, rules);
    if (keyword == "verb")
        return region_rule(words, RegionKind::verb, rules);
    if (keyword == "definition")
        return region_rule(words, RegionKind::definition, rules);
    if (keyword == "directive")
        return region_rule(words, RegionKind::directive, rules);
    if (keyword == "end-of-text")
        return region_rule(words, RegionKind::to_text_end, rules);
    if (keyword == "declared-region")
        return region_rule(words, RegionKind::declared, rules);
    bool bad = false;
    if (add_branch_rule(words, rules.branch_marks, bad))
        return bad ? RuleProblem{RuleFault::wrong_arguments, keyword} : RuleProblem{};
    if (keyword == "markers")
        return markers_rule(words, rules);
    return {RuleFault::unknown_rule, keyword};
}

// The file's lines, each without its LF and the CR before it; a CR elsewhere
// or a 0x1A is a fault of the line after them, where the checker's reading
// would cut it.
std::vector<std::string_view> rule_lines(std::string_view bytes, RuleProblem& why) {
    if (bytes.starts_with("\xef\xbb\xbf"))
        bytes.remove_prefix(3);
    std::vector<std::string_view> lines;
    while (!bytes.empty()) {
        std::string_view text = bytes.substr(0, bytes.find('\n'));
        bytes.remove_prefix(std::min(bytes.size(), text.size() + 1));
        if (text.ends_with('\r'))
            text.remove_suffix(1);
        if (text.find('\x1a') != std::string_view::npos)
            why.fault = RuleFault::end_of_text_byte;
        else if (text.find('\r') != std::string_view::npos)
            why.fault = RuleFault::bare_cr;
        if (holds(why))
            return lines;
        lines.push_back(text);
    }
    return lines;
}

bool is_comment_or_blank(std::string_view line) {
    for (char byte : line) {
        if (!is_blank(byte))
            return byte == '#';
    }
    return true;
}

}  // namespace

RulesLoad parse_rules(std::string_view bytes, const std::string& path, const TagTable& table) {
    RulesLoad load;
    load.rules = no_rules(table);
    load.rules.present = true;
    RuleProblem cut;
    std::vector<std::string_view> lines = rule_lines(bytes, cut);
    RuleProblem why;
    size_t bad_line = 0;
    for (; bad_line < lines.size() && !holds(why); ++bad_line) {
        if (is_comment_or_blank(lines[bad_line]))
            continue;
        std::vector<std::string> words = split_words(lines[bad_line], why);
        if (!holds(why))
            why = apply_rule(words, table, load.rules);
    }
    if (!holds(why)) {
        why = cut;
        ++bad_line;
    }
    if (holds(why)) {
        load.rejection = {RulesRejectionKind::bad_rule, path, bad_line, why.fault, why.subject};
        return load;
    }
    load.ok = true;
    return load;
}

RulesLoad load_rules(const std::string& directory, const TagTable& table) {
    std::string path = list_file_path(directory, kRulesFile);
    std::string bytes;
    switch (read_whole_file(path, bytes)) {
        case WholeFileStatus::read:
            // The reading stops at a 0x1A: one there is a fault of its line.
            if (struct stat status; stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
                                    static_cast<uint64_t>(status.st_size) > bytes.size())
                bytes += '\x1a';
            return parse_rules(bytes, path, table);
        case WholeFileStatus::cannot_open:
            // Only a file that is not there means no rules: one that cannot be
            // opened would otherwise change every verdict without a word.
            if (access(path.c_str(), F_OK) == 0 || errno != ENOENT) {
                RulesLoad load;
                load.rejection = {RulesRejectionKind::cannot_open, path, 0, RuleFault::none, {}};
                return load;
            }
            break;
        case WholeFileStatus::read_error: {
            RulesLoad load;
            load.rejection = {RulesRejectionKind::cannot_read, path, 0, RuleFault::none, {}};
            return load;
        }
    }
    RulesLoad load;
    load.ok = true;
    load.rules = no_rules(table);
    return load;
}
