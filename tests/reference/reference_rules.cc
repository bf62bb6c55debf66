#include "reference_rules.h"

#include <algorithm>
#include <cctype>
#include <deque>

#include "rules/case_fold.h"
#include "rules/declared_region.h"
#include "rules/number_before.h"
#include "rules/rules_switch.h"

namespace {

struct Line {
    std::string text;
    uint64_t start = 0;  // byte offset of the line in the file
};

// The lines as the checker reads them: 0x1A ends the text, a CR ends a line's text.
std::vector<Line> lines_with_starts(std::string_view bytes) {
    std::vector<Line> lines;
    Line line;
    bool pending = false;
    bool cut = false;
    for (size_t at = 0; at < bytes.size() && bytes[at] != '\x1a'; ++at) {
        if (bytes[at] == '\n') {
            lines.push_back(line);
            line = Line{{}, at + 1};
            pending = cut = false;
            continue;
        }
        pending = true;
        cut = cut || bytes[at] == '\r';
        if (!cut)
            line.text += bytes[at];
    }
    if (pending)
        lines.push_back(line);
    return lines;
}

unsigned char folded(const TagRules& rules, char byte) {
    unsigned char value = static_cast<unsigned char>(byte);
    return rules.ignore_case ? fold_case(value) : value;
}

bool mark_at(const TagRules& rules, const std::string& text, size_t p, std::string_view mark) {
    if (p > text.size() || text.size() - p < mark.size())
        return false;
    for (size_t i = 0; i < mark.size(); ++i) {
        if (folded(rules, text[p + i]) != folded(rules, mark[i]))
            return false;
    }
    return true;
}

bool is_blank(char byte) {
    return byte == ' ' || byte == '\t';
}

// The length a name or START takes at p, 0 if none: under blank-runs a run of
// blanks in it, after its first byte, matches one or more spaces and tabs.
size_t start_length(const TagRules& rules, const std::string& text, size_t p,
                    std::string_view start) {
    size_t q = p;
    for (size_t i = 0; i < start.size();) {
        if (rules.blank_runs && i > 0 && start[i] == ' ') {
            size_t from = q;
            while (i < start.size() && start[i] == ' ')
                ++i;
            while (q < text.size() && is_blank(text[q]))
                ++q;
            if (q == from)
                return 0;
            continue;
        }
        if (q == text.size() || folded(rules, text[q]) != folded(rules, start[i]))
            return 0;
        ++q;
        ++i;
    }
    return q - p;
}

bool ends_word(const std::string& text, size_t after) {
    return after == text.size() || !is_word_byte(static_cast<unsigned char>(text[after]));
}

size_t name_length(const TagRules& rules, const std::string& text, size_t p, std::string_view name,
                   bool word_end) {
    size_t length = start_length(rules, text, p, name);
    return length != 0 && (!word_end || ends_word(text, p + length)) ? length : 0;
}

bool after_odd_run(const std::string& text, size_t p, char byte) {
    size_t run = 0;
    while (run < p && text[p - 1 - run] == byte)
        ++run;
    return run % 2 == 1;
}

// Whether the line's bytes before `p` end a number: their run of letters,
// digits, '_', '.' and '\'', no longer than kNumberReach, begins with a digit
// or with '.' and a digit.
bool number_ends_at(const std::string& text, size_t p) {
    const std::string run_bytes =
        "0123456789_.'abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    std::string before = text.substr(0, p);
    size_t cut = before.find_last_not_of(run_bytes);
    std::string run = before.substr(cut == std::string::npos ? 0 : cut + 1);
    if (run.empty() || run.size() > kNumberReach)
        return false;
    auto digit = [](char byte) { return byte >= '0' && byte <= '9'; };
    return digit(run[0]) || (run.size() > 1 && run[0] == '.' && digit(run[1]));
}

bool is_letter(char byte) {
    return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z');
}

// The nesting as the branches see it, from where the innermost chain began.
struct Nesting {
    std::vector<size_t> opens;     // the pairs of the unmatched opens, in order
    std::vector<uint64_t> strays;  // by pair: closes that matched none of them

    bool operator==(const Nesting&) const = default;
};

void nest(Nesting& nesting, size_t pair, bool is_close) {
    if (!is_close) {
        nesting.opens.push_back(pair);
        return;
    }
    for (size_t k = nesting.opens.size(); k > 0; --k) {
        if (nesting.opens[k - 1] == pair) {
            nesting.opens.erase(nesting.opens.begin() + static_cast<std::ptrdiff_t>(k - 1));
            return;
        }
    }
    ++nesting.strays[pair];
}

// `inner` matched on after `outer`: its strays first, then its opens.
void nest_after(Nesting& outer, const Nesting& inner) {
    for (size_t pair = 0; pair < inner.strays.size(); ++pair) {
        for (uint64_t k = 0; k < inner.strays[pair]; ++k)
            nest(outer, pair, true);
    }
    for (size_t pair : inner.opens)
        nest(outer, pair, false);
}

struct Chain {
    Nesting saved;
    Nesting counted;
    bool found_counting = false;
    bool counting = false;
    bool plainly_false = false;
    NamePlace place{0, 0};
    uint64_t first_line = 0;
};

// A name a declared-region rule's MARK declared: its region, to the END mark.
struct Declared {
    size_t rule = 0;
    std::string name;  // folded under ignore-case
    RegionRule region;
};

struct Scan {
    const std::vector<Line>& lines;
    const TagTable& table;
    const TagRules& rules;
    RulesCheck check;
    int64_t depth = 0;
    size_t l = 0;
    size_t p = 0;
    const RegionRule* region = nullptr;
    char verb_delimiter = 0;
    bool escaped_line_end = false;
    RegionRule tag_region;  // the rest of a tag after a name, under tag-end
    size_t tag_id = 0;      // its name
    size_t tag_quote = 0;   // 1 + the quote open in it; 0: none
    // In a definition: where it stands, the braces open, a comment, an escape.
    enum class Part { parameters, next_line, group, bracket, between } part = Part::parameters;
    int64_t braces = 0;
    bool in_comment = false;
    bool escaped = false;
    bool stopped = false;    // at an end of text
    int64_t open_names = 0;  // counted, but those that may close themselves
    Nesting nesting{};
    std::vector<Chain> chains{};
    bool off = false;       // a marker turned checking off
    bool off_file = false;  // for the whole file
    bool switched = false;
    bool unread = false;                    // stopped at an end of text under unread
    const RegionRule* directive = nullptr;  // the directive whose line this is
    bool directive_escaped = false;         // its escape ended the line's text
    std::deque<Declared> declared{};        // the names declared, in order
};

// 1 + the place of `byte` among the tag quotes; 0 when it is none.
size_t quote_of(const TagRules& rules, char byte) {
    for (size_t q = 0; q < rules.tag_quotes.size(); ++q) {
        if (folded(rules, rules.tag_quotes[q]) == folded(rules, byte))
            return q + 1;
    }
    return 0;
}

bool is_break(const TagRules& rules, char byte) {
    return rules.has_tag_break && folded(rules, rules.tag_break) == folded(rules, byte);
}

// Inside a tag under tag-end: quotes hold no END, a break byte ends the tag
// before it, and is read again.
void tag_step(Scan& scan) {
    const std::string& text = scan.lines[scan.l].text;
    const TagRules& rules = scan.rules;
    char byte = text[scan.p];
    if (scan.tag_quote != 0) {
        if (quote_of(rules, byte) == scan.tag_quote)
            scan.tag_quote = 0;
        ++scan.p;
        return;
    }
    if (mark_at(rules, text, scan.p, rules.tag_end)) {
        scan.region = nullptr;
        scan.p += rules.tag_end.size();
        return;
    }
    scan.tag_quote = quote_of(rules, byte);
    if (scan.tag_quote == 0 && is_break(rules, byte)) {
        if (!scan.off)
            scan.check.broken.push_back({scan.l + 1, scan.p + 1, scan.tag_id});
        scan.region = nullptr;
        return;
    }
    ++scan.p;
}

// The length of the branch mark at the scan's place, 0 if it does not stand there.
size_t branch_length(const Scan& scan, const BranchMark& mark) {
    const std::string& text = scan.lines[scan.l].text;
    if (mark.line_start) {
        if (scan.p > kBranchBlanks)
            return 0;
        for (size_t q = 0; q < scan.p; ++q) {
            if (!is_blank(text[q]))
                return 0;
        }
    }
    size_t q = scan.p;
    for (char want : mark.text) {
        if (is_blank(want)) {
            for (size_t run = 0; run < kBranchBlanks && q < text.size() && is_blank(text[q]); ++run)
                ++q;
            continue;
        }
        if (q == text.size() || folded(scan.rules, text[q]) != folded(scan.rules, want))
            return 0;
        ++q;
    }
    if (q < text.size() && is_word_byte(static_cast<unsigned char>(text[q])))
        return 0;
    return q - scan.p;
}

bool all_counting(const Scan& scan) {
    for (const Chain& chain : scan.chains) {
        if (!chain.counting)
            return false;
    }
    return true;
}

void begin_branch(Scan& scan, bool plainly_false) {
    Chain& chain = scan.chains.back();
    chain.counting = !chain.found_counting && !plainly_false;
    chain.found_counting = chain.found_counting || chain.counting;
    chain.plainly_false = plainly_false;
    chain.place = {scan.l + 1, scan.p + 1};
    if (chain.counting)
        chain.first_line = scan.l + 1;
}

void end_branch(Scan& scan) {
    Chain& chain = scan.chains.back();
    bool compared = scan.chains.size() <= kBranchDepth;
    if (chain.counting)
        chain.counted = scan.nesting;
    else if (compared && chain.found_counting && !chain.plainly_false &&
             !(scan.nesting == chain.counted))
        scan.check.branch_warnings.push_back({chain.place, chain.first_line});
    scan.nesting = Nesting{{}, std::vector<uint64_t>(scan.table.n, 0)};
}

void take_branch(Scan& scan, const BranchMark& mark) {
    bool plainly_false = false;
    for (const BranchMark& other : scan.rules.branch_marks) {
        if (mark.role != BranchRole::end && other.role == BranchRole::plainly_false &&
            branch_length(scan, other) != 0)
            plainly_false = true;
    }
    if (mark.role == BranchRole::start) {
        scan.chains.push_back({scan.nesting, {}, false, false, false, {0, 0}, 0});
        scan.nesting = Nesting{{}, std::vector<uint64_t>(scan.table.n, 0)};
        begin_branch(scan, plainly_false);
        return;
    }
    if (scan.chains.empty())
        return;
    end_branch(scan);
    if (mark.role == BranchRole::other) {
        begin_branch(scan, plainly_false);
        return;
    }
    scan.nesting = scan.chains.back().saved;
    if (scan.chains.back().found_counting)
        nest_after(scan.nesting, scan.chains.back().counted);
    scan.chains.pop_back();
}

// In a directive's line every byte but those of regions is the directive's:
// whether the one at `p` is its escape right before the line's end.
void note_directive_byte(Scan& scan, size_t p) {
    if (scan.directive == nullptr)
        return;
    const std::string& text = scan.lines[scan.l].text;
    const RegionRule& rule = *scan.directive;
    scan.directive_escaped = rule.has_escape && text[p] == rule.escape && p + 1 == text.size();
}

bool try_branch(Scan& scan) {
    for (const BranchMark& mark : scan.rules.branch_marks) {
        if (mark.role == BranchRole::plainly_false)
            continue;
        size_t length = branch_length(scan, mark);
        if (length == 0)
            continue;
        take_branch(scan, mark);
        scan.p += length;
        // A mark's bytes are the directive's line as any text is.
        note_directive_byte(scan, scan.p - 1);
        return true;
    }
    return false;
}

// The marker right after a comment's start at `p`: blanks, "tamberlox-gate:",
// blanks and a word that no letter, digit or '_' follows, all within
// kSwitchReach bytes.
Switch marker_at(const std::string& text, size_t p) {
    std::string rest = text.substr(std::min(p, text.size()), kSwitchReach + 1);
    for (char& byte : rest)
        byte = static_cast<char>(fold_case(static_cast<unsigned char>(byte)));
    const std::string prefix = "tamberlox-gate:";
    size_t q = rest.find_first_not_of(" \t");
    if (q == std::string::npos || rest.compare(q, prefix.size(), prefix) != 0)
        return Switch::none;
    q = rest.find_first_not_of(" \t", q + prefix.size());
    const std::pair<std::string, Switch> words[] = {
        {"off-file", Switch::off_file}, {"off", Switch::off}, {"on", Switch::on}};
    for (const auto& [word, marker] : words) {
        if (q == std::string::npos || rest.compare(q, word.size(), word) != 0)
            continue;
        size_t end = q + word.size();
        bool goes_on = end < rest.size() &&
                       (std::isalnum(static_cast<unsigned char>(rest[end])) || rest[end] == '_');
        if (end <= kSwitchReach && !goes_on)
            return marker;
    }
    return Switch::none;
}

void switch_checking(Scan& scan, Switch marker) {
    if (marker == Switch::on && !scan.off_file)
        scan.off = false;
    if (marker == Switch::off || marker == Switch::off_file)
        scan.off = scan.switched = true;
    if (marker == Switch::off_file)
        scan.off_file = true;
}

// The length the region start takes at the scan's place, 0 if none starts there.
size_t region_start_length(const Scan& scan, const RegionRule& region, char& delimiter) {
    const std::string& text = scan.lines[scan.l].text;
    size_t length = start_length(scan.rules, text, scan.p, region.start);
    if (length == 0)
        return 0;
    if (region.has_not_after && after_odd_run(text, scan.p, region.not_after))
        return 0;
    if (region.not_in_number && number_ends_at(text, scan.p))
        return 0;
    if (region.has_only_after && (scan.p == 0 || text[scan.p - 1] != region.only_after))
        return 0;
    size_t q = scan.p + length;
    if (region.word_end && !ends_word(text, q))
        return 0;
    if (region.kind != RegionKind::verb)
        return q - scan.p;
    if (q < text.size() && text[q] == '*')
        ++q;
    if (q == text.size() || is_letter(text[q]) || text[q] == ' ' || text[q] == '\t')
        return 0;
    delimiter = text[q];
    return q + 1 - scan.p;
}

bool take_name(Scan& scan);

void enter_region(Scan& scan, const RegionRule& region, size_t length) {
    scan.part = Scan::Part::parameters;
    scan.braces = 0;
    scan.in_comment = scan.escaped = false;
    scan.region = &region;
    scan.check.region_line = scan.l + 1;
    scan.check.region_column = scan.p + 1;
    scan.p += length;
}

// The name in braces within kDeclaredReach bytes after `after` on the line,
// after blanks, at most one [...] and blanks: declared for `rule`.
void declare_name(Scan& scan, const RegionRule& region, size_t rule, size_t after) {
    if (scan.declared.size() == kDeclaredNames)
        return;
    const std::string& text = scan.lines[scan.l].text;
    std::string near = text.substr(std::min(after, text.size()), kDeclaredReach);
    size_t q = near.find_first_not_of(" \t");
    if (q != std::string::npos && near[q] == '[') {
        size_t close = near.find(']', q);
        q = close == std::string::npos ? close : near.find_first_not_of(" \t", close + 1);
    }
    if (q == std::string::npos || near[q] != '{')
        return;
    size_t from = q + 1;
    size_t end = from;
    while (end < near.size() && end - from < kDeclaredName &&
           is_declared_name_byte(static_cast<uint8_t>(near[end])))
        ++end;
    if (end == from || end == near.size() || near[end] != '}')
        return;
    std::string name = near.substr(from, end - from);
    for (char& byte : name)
        byte = static_cast<char>(folded(scan.rules, byte));
    for (const Declared& other : scan.declared) {
        if (other.rule == rule && other.name == name)
            return;
    }
    Declared& added = scan.declared.emplace_back();
    added.rule = rule;
    added.name = name;
    added.region.start = region.named_start + name + "}";
    added.region.end = region.named_end + name + "}";
}

// A declared-region rule at the scan's place: the region of a name declared
// for it, its START, the name and '}' standing here; else its MARK, passed
// over, which declares the name after it.
bool try_declared(Scan& scan, const RegionRule& region, size_t rule) {
    const std::string& text = scan.lines[scan.l].text;
    for (const Declared& one : scan.declared) {
        if (one.rule == rule && mark_at(scan.rules, text, scan.p, one.region.start)) {
            enter_region(scan, one.region, one.region.start.size());
            return true;
        }
    }
    if (!mark_at(scan.rules, text, scan.p, region.start))
        return false;
    scan.p += region.start.size();
    declare_name(scan, region, rule, scan.p);
    note_directive_byte(scan, scan.p - 1);
    return true;
}

bool try_region_start(Scan& scan) {
    for (size_t r = 0; r < scan.rules.regions.size(); ++r) {
        const RegionRule& region = scan.rules.regions[r];
        if (region.kind == RegionKind::declared) {
            if (try_declared(scan, region, r))
                return true;
            continue;
        }
        size_t length = region_start_length(scan, region, scan.verb_delimiter);
        if (length == 0)
            continue;
        if (region.kind == RegionKind::to_text_end) {
            size_t p = scan.p;
            bool named = scan.directive == nullptr && take_name(scan);
            // Under outermost, a mark with a name still open after it is
            // passed over, as a name would be.
            scan.stopped = !region.outermost || scan.open_names == 0;
            scan.unread = scan.stopped && region.unread;
            if (!scan.stopped && (!named || scan.p == p))
                ++scan.p;
            return true;
        }
        if (region.kind == RegionKind::directive) {
            if (scan.directive == nullptr)
                scan.directive = &region;
            scan.p += length;
            return true;
        }
        enter_region(scan, region, length);
        if (region.markers)
            switch_checking(scan, marker_at(scan.lines[scan.l].text, scan.p));
        return true;
    }
    return false;
}

// In a definition, the byte at the scan's place: taken, or the definition ends
// before it.
void definition_step(Scan& scan) {
    char byte = scan.lines[scan.l].text[scan.p];
    const RegionRule& region = *scan.region;
    bool comment = region.has_comment && byte == region.comment;
    using Part = Scan::Part;
    if (scan.in_comment) {
    } else if (scan.part == Part::next_line) {
        if (byte == '{') {
            scan.part = Part::group;
            scan.braces = 1;
        } else if (comment) {
            scan.in_comment = true;
        } else if (!is_blank(byte)) {
            scan.region = nullptr;
            return;
        }
    } else if (scan.part == Part::between) {
        if (byte == '{' || byte == '[') {
            scan.part = byte == '{' ? Part::group : Part::bracket;
            scan.braces = byte == '{';
        } else if (comment) {
            scan.in_comment = true;
        } else if (!is_blank(byte) && byte != '*') {
            scan.region = nullptr;
            return;
        }
    } else if (scan.escaped) {
        scan.escaped = false;
    } else if (region.has_escape && byte == region.escape) {
        scan.escaped = true;
    } else if (comment) {
        scan.in_comment = true;
    } else if (byte == '{') {
        if (scan.part == Part::parameters)
            scan.part = Part::group;
        ++scan.braces;
    } else if (byte == '}') {
        if (scan.part == Part::parameters || (scan.part == Part::bracket && scan.braces == 0)) {
            scan.region = nullptr;
            return;
        }
        if (--scan.braces == 0 && scan.part == Part::group)
            scan.part = Part::between;
    } else if (byte == ']' && scan.part == Part::bracket && scan.braces == 0) {
        scan.part = Part::between;
    }
    ++scan.p;
}

// Inside a region: one step, leaving it at its end mark.
void region_step(Scan& scan) {
    if (scan.region == &scan.tag_region)
        return tag_step(scan);
    const std::string& text = scan.lines[scan.l].text;
    const RegionRule& region = *scan.region;
    if (region.kind == RegionKind::definition)
        return definition_step(scan);
    if (region.kind == RegionKind::verb) {
        if (text[scan.p] == scan.verb_delimiter)
            scan.region = nullptr;
        ++scan.p;
        return;
    }
    if (region.kind != RegionKind::verb && region.has_escape && text[scan.p] == region.escape) {
        scan.escaped_line_end = scan.p + 1 == text.size();
        scan.p += 2;
        return;
    }
    if (region.kind == RegionKind::to_end_mark && mark_at(scan.rules, text, scan.p, region.end)) {
        scan.region = nullptr;
        scan.p += region.end.size();
        return;
    }
    ++scan.p;
}

// Whether the mark at the end of `tag` counts: under tag-quotes only where it
// starts in the name of `name_length` bytes or right after it, or after a
// blank, a line end or a quote.
bool mark_counts(const TagRules& rules, const std::string& tag, size_t name_length) {
    size_t at = tag.size() - rules.self_close_mark.size();
    if (rules.tag_quotes.empty() || at <= name_length)
        return true;
    char before = tag[at - 1];
    return before == ' ' || before == '\t' || before == '\n' || quote_of(rules, before) != 0;
}

// Whether the open name's tag, from the name up to the first END after it, ends
// in MARK; quotes hold no END, and a break byte ends the tag with no END.
bool closes_itself(const Scan& scan, size_t after_name) {
    const TagRules& rules = scan.rules;
    std::string tag = scan.lines[scan.l].text.substr(scan.p, after_name - scan.p);
    size_t quote = 0;
    for (size_t l = scan.l; l < scan.lines.size(); ++l) {
        const std::string& text = scan.lines[l].text;
        for (size_t p = l == scan.l ? after_name : 0; p < text.size(); ++p) {
            if (quote != 0) {
                quote = quote_of(rules, text[p]) == quote ? 0 : quote;
            } else if (mark_at(rules, text, p, rules.self_close_end)) {
                tag += text.substr(p, rules.self_close_end.size());
                return tag.size() >= rules.self_close_mark.size() &&
                       mark_at(rules, tag, tag.size() - rules.self_close_mark.size(),
                               rules.self_close_mark) &&
                       mark_counts(rules, tag, after_name - scan.p);
            } else if (quote = quote_of(rules, text[p]); quote == 0 && is_break(rules, text[p])) {
                return false;
            }
            tag += text[p];
        }
        tag += '\n';
    }
    return false;
}

void keep(Scan& scan, size_t id, bool closes_itself) {
    bool is_close = id & 1;
    size_t pair = id >> 1;
    // Names that may close themselves stay out of the branches' nesting.
    if (!scan.rules.self_closing[id])
        nest(scan.nesting, pair, is_close);
    if (!scan.rules.self_closing[id] && all_counting(scan))
        scan.open_names =
            is_close ? std::max<int64_t>(scan.open_names - 1, 0) : scan.open_names + 1;
    if (closes_itself || !all_counting(scan))
        return;
    if (is_close)
        --scan.depth;
    KeptName kept;
    kept.pair = pair;
    kept.kind = is_close ? KeptKind::cls : KeptKind::opn;
    kept.lvl = scan.depth;
    kept.line = scan.l + 1;
    kept.column = scan.p + 1;
    kept.offset = scan.lines[scan.l].start + scan.p;
    scan.check.kept.push_back(kept);
    if (!is_close)
        ++scan.depth;
    if (scan.depth < 0) {
        scan.depth = 0;
        scan.check.ok = false;
    }
    ++(is_close ? scan.check.cls_num : scan.check.opn_num)[pair];
}

// The length of the name's first spelling found at the scan's place, 0 if none:
// the name itself first, then its other spellings in rule order.
size_t spelling_length(const Scan& scan, size_t id) {
    const std::string& text = scan.lines[scan.l].text;
    bool word_end = scan.rules.word_end[id];
    std::string_view name = name_of(scan.table, id);
    if (size_t length = name_length(scan.rules, text, scan.p, name, word_end))
        return length;
    for (const std::string& other : scan.rules.spellings[id]) {
        if (size_t length = name_length(scan.rules, text, scan.p, other, word_end))
            return length;
    }
    return 0;
}

// Names are tried open list first, then close list, each in pair order: the
// first found is kept (unless its tag closes itself) and, under tag-end, its
// tag opened. False when none is there.
bool take_name(Scan& scan) {
    size_t n = scan.table.n;
    for (size_t k = 0; k < 2 * n; ++k) {
        size_t id = k < n ? 2 * k : 2 * (k - n) + 1;
        size_t length = spelling_length(scan, id);
        if (length == 0)
            continue;
        if (!scan.off)
            keep(scan, id, scan.rules.self_closing[id] && closes_itself(scan, scan.p + length));
        if (scan.rules.tag_end.empty())
            return true;
        scan.region = &scan.tag_region;
        scan.tag_id = id;
        scan.tag_quote = 0;
        scan.check.region_line = scan.l + 1;
        scan.check.region_column = scan.p + 1;
        scan.p += length;
        return true;
    }
    return false;
}

void try_names(Scan& scan) {
    size_t p = scan.p;
    if (scan.directive != nullptr) {
        note_directive_byte(scan, p);
        ++scan.p;
        return;
    }
    if (!take_name(scan) || scan.p == p)
        ++scan.p;
}

bool definition_goes_on(Scan& scan) {
    bool commented = scan.in_comment;
    scan.in_comment = scan.escaped = false;
    const std::string& text = scan.lines[scan.l].text;
    bool blank = text.find_first_not_of(" \t") == std::string::npos;
    if (blank && scan.region->blank_line_ends)
        return false;
    if (commented)
        return true;
    if (scan.part == Scan::Part::next_line)
        return false;
    if (scan.part == Scan::Part::parameters)
        scan.part = Scan::Part::next_line;
    return true;
}

void end_of_line(Scan& scan) {
    const RegionRule* region = scan.region;
    bool continues =
        region && ((region->kind == RegionKind::to_end_mark &&
                    (!region->one_line || scan.escaped_line_end)) ||
                   (region->kind == RegionKind::to_line_end && scan.escaped_line_end) ||
                   (region->kind == RegionKind::definition && definition_goes_on(scan)));
    if (!continues)
        scan.region = nullptr;
    scan.escaped_line_end = false;
    // A line end inside a region that goes on is not the directive's.
    if (scan.directive != nullptr && scan.region == nullptr && !scan.directive_escaped)
        scan.directive = nullptr;
    scan.directive_escaped = false;
}

// Whether spans cross, open A < open B < close A < close B, each close matched
// with the latest unmatched open of its pair, every pair of spans compared.
bool spans_cross(const std::vector<KeptName>& kept) {
    std::vector<size_t> close_of(kept.size(), SIZE_MAX);
    for (size_t c = 0; c < kept.size(); ++c) {
        if (kept[c].kind != KeptKind::cls)
            continue;
        for (size_t o = c; o-- > 0;) {
            if (kept[o].kind == KeptKind::opn && kept[o].pair == kept[c].pair &&
                close_of[o] == SIZE_MAX) {
                close_of[o] = c;
                break;
            }
        }
    }
    for (size_t a = 0; a < kept.size(); ++a) {
        for (size_t b = a + 1; b < close_of[a] && close_of[a] != SIZE_MAX; ++b) {
            if (close_of[b] != SIZE_MAX && close_of[b] > close_of[a])
                return true;
        }
    }
    return false;
}

// Whether the region the text ended in fails it.
bool fails_at_end(const Scan& scan) {
    const RegionRule* region = scan.region;
    if (region == nullptr || region->kind == RegionKind::to_line_end)
        return false;
    if (region->kind == RegionKind::definition)
        return scan.part == Scan::Part::group || scan.part == Scan::Part::bracket;
    return true;
}

// The text stopped being read where names were open: their closes count as
// come, each open matched by the pair's last close that nothing else matched.
void close_what_is_open(RulesCheck& check, int64_t& depth) {
    std::vector<uint64_t> open(check.opn_num.size(), 0);
    for (const KeptName& kept : check.kept) {
        if (kept.kind == KeptKind::opn)
            ++open[kept.pair];
        else if (open[kept.pair] > 0)
            --open[kept.pair];
    }
    for (size_t pair = 0; pair < open.size(); ++pair)
        check.cls_num[pair] += open[pair];
    depth = 0;
}

}  // namespace

RulesCheck reference_rules_check(std::string_view file_bytes, const TagTable& table,
                                 const TagRules& rules) {
    std::vector<Line> lines = lines_with_starts(file_bytes);
    Scan scan{lines, table, rules, {}, 0, 0, 0, nullptr, 0, false, {}, 0, 0};
    scan.tag_region.end = rules.tag_end;
    scan.nesting.strays.assign(table.n, 0);
    scan.check.opn_num.assign(table.n, 0);
    scan.check.cls_num.assign(table.n, 0);
    for (scan.l = 0; scan.l < lines.size() && !scan.stopped; ++scan.l) {
        for (scan.p = 0; scan.p < lines[scan.l].text.size() && !scan.stopped;) {
            if (scan.region)
                region_step(scan);
            else if (!try_branch(scan) && !try_region_start(scan))
                try_names(scan);
        }
        end_of_line(scan);
    }
    RulesCheck& check = scan.check;
    std::stable_sort(check.branch_warnings.begin(), check.branch_warnings.end(),
                     [](const BranchWarning& a, const BranchWarning& b) {
                         return a.place.line != b.place.line ? a.place.line < b.place.line
                                                             : a.place.column < b.place.column;
                     });
    check.switched_off = scan.switched;
    if (scan.off_file) {
        // Not checked at all: nothing of the file counts.
        check = RulesCheck{};
        check.switched_off = true;
        check.opn_num.assign(table.n, 0);
        check.cls_num.assign(table.n, 0);
        return check;
    }
    check.ended_in_region = !scan.stopped && fails_at_end(scan) && !scan.off;
    if (scan.unread)
        close_what_is_open(check, scan.depth);
    check.crossed = spans_cross(check.kept);
    if (scan.depth != 0 || check.ended_in_region || !check.broken.empty() ||
        (rules.crossing_errors && check.crossed))
        check.ok = false;
    for (size_t j = 0; j < table.n; ++j) {
        if (check.opn_num[j] != check.cls_num[j])
            check.ok = false;
    }
    return check;
}

static std::string folded_name(const TagTable& table, const TagRules& rules, size_t id) {
    std::string name(name_of(table, id));
    for (char& byte : name)
        byte = static_cast<char>(folded(rules, byte));
    return name;
}

// Whether a and b can both match at one place: one starts the other, and the
// shorter has no word end or the longer goes on there with no word byte.
static bool can_meet(const TagTable& table, const TagRules& rules, size_t a, size_t b) {
    std::string x = folded_name(table, rules, a);
    std::string y = folded_name(table, rules, b);
    bool x_end = rules.word_end[a];
    if (y.size() < x.size()) {
        std::swap(x, y);
        x_end = rules.word_end[b];
    }
    if (y.compare(0, x.size(), x) != 0)
        return false;
    if (y.size() == x.size())
        return true;
    return !x_end || !is_word_byte(static_cast<unsigned char>(y[x.size()]));
}

static NameCollision reference_name_collision(const TagTable& table, const TagRules& rules);

struct Spelling {
    std::string text;
    size_t owner;
};

static bool spellings_meet(const TagRules& rules, const Spelling& a, const Spelling& b) {
    TagTable pair;
    pair.n = 1;
    pair.opn_tag = {a.text};
    pair.cls_tag = {b.text};
    TagRules flags = rules;
    flags.word_end = {rules.word_end[a.owner], rules.word_end[b.owner]};
    return can_meet(pair, flags, 0, 1);
}

// Every spelling against every other of another name, once the names are clear.
static NameCollision reference_spelling_collision(const TagTable& table, const TagRules& rules) {
    std::vector<Spelling> all;
    for (size_t id = 0; id < 2 * table.n; ++id) {
        all.push_back({std::string(name_of(table, id)), id});
        for (const std::string& other : rules.spellings[id])
            all.push_back({other, id});
    }
    for (const Spelling& a : all) {
        for (const Spelling& b : all) {
            if (a.owner == b.owner || !spellings_meet(rules, a, b))
                continue;
            size_t o = a.owner, c = b.owner;
            if ((o & 1) != (c & 1))
                return (o & 1) ? NameCollision{CollisionPlace::across, c >> 1, o >> 1}
                               : NameCollision{CollisionPlace::across, o >> 1, c >> 1};
            return {(o & 1) ? CollisionPlace::in_cls : CollisionPlace::in_opn, std::min(o, c) >> 1,
                    std::max(o, c) >> 1};
        }
    }
    return {};
}

NameCollision reference_rules_collision(const TagTable& table, const TagRules& rules) {
    NameCollision names = reference_name_collision(table, rules);
    if (names.place != CollisionPlace::none)
        return names;
    return reference_spelling_collision(table, rules);
}

static NameCollision reference_name_collision(const TagTable& table, const TagRules& rules) {
    size_t n = table.n;
    for (size_t i = 0; i + 1 < n; ++i) {
        for (size_t j = i + 1; j < n; ++j) {
            if (can_meet(table, rules, 2 * i, 2 * j))
                return {CollisionPlace::in_opn, i, j};
            if (can_meet(table, rules, 2 * i + 1, 2 * j + 1))
                return {CollisionPlace::in_cls, i, j};
        }
    }
    for (size_t j = 0; j < n; ++j) {
        for (size_t k = 0; k < n; ++k) {
            if (can_meet(table, rules, 2 * j, 2 * k + 1))
                return {CollisionPlace::across, j, k};
        }
    }
    return {};
}

void write_rules_check(FILE* out, const TagTable& table, const RulesCheck& check) {
    for (const KeptName& kept : check.kept) {
        std::string_view name = name_of(table, 2 * kept.pair + (kept.kind == KeptKind::cls));
        std::fprintf(out, "%llu:%llu: ", static_cast<unsigned long long>(kept.line),
                     static_cast<unsigned long long>(kept.column));
        std::fwrite(name.data(), 1, name.size(), out);
        std::fprintf(out, " (%lld)\n", static_cast<long long>(kept.lvl));
    }
    for (const BrokenTagPlace& broken : check.broken)
        std::fprintf(out, "%llu:%llu: broken tag\n", static_cast<unsigned long long>(broken.line),
                     static_cast<unsigned long long>(broken.column));
    if (check.ended_in_region)
        std::fprintf(out, "%llu:%llu: region not closed\n",
                     static_cast<unsigned long long>(check.region_line),
                     static_cast<unsigned long long>(check.region_column));
    for (size_t j = 0; j < table.n; ++j) {
        if (check.opn_num[j] != check.cls_num[j]) {
            std::fputs("counts differ: ", out);
            std::fwrite(table.opn_tag[j].data(), 1, table.opn_tag[j].size(), out);
            std::fprintf(out, " (%llu) - ", static_cast<unsigned long long>(check.opn_num[j]));
            std::fwrite(table.cls_tag[j].data(), 1, table.cls_tag[j].size(), out);
            std::fprintf(out, " (%llu)\n", static_cast<unsigned long long>(check.cls_num[j]));
        }
    }
    for (const BranchWarning& warning : check.branch_warnings)
        std::fprintf(out, "%llu:%llu: branch ends apart from line %llu\n",
                     static_cast<unsigned long long>(warning.place.line),
                     static_cast<unsigned long long>(warning.place.column),
                     static_cast<unsigned long long>(warning.first_line));
    std::fputs(check.ok ? "Judged OK.\n" : "Errors may exist.\n", out);
}
