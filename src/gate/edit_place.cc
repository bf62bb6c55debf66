#include "gate/edit_place.h"

#include <algorithm>

namespace {

bool before(const NamePlace& a, const NamePlace& b) {
    return a.line != b.line ? a.line < b.line : a.column < b.column;
}

bool same_place(const NamePlace& a, const NamePlace& b) {
    return a.line == b.line && a.column == b.column;
}

struct MatchedPair {
    size_t open;
    size_t close;
};

// The view's names of one pair matched among themselves from `first` on, up to
// the name at `stop` (excluded): as the check matches them, for no close there
// can match an open before `first` while one after it is still unmatched.
struct LocalMatching {
    std::vector<MatchedPair> pairs;  // in their closes' order
    std::vector<size_t> unmatched;   // the opens still unmatched, in file order
};

size_t first_name_at(const EditView& view, NamePlace place) {
    auto at = std::lower_bound(
        view.names.begin(), view.names.end(), place,
        [](const WindowName& name, const NamePlace& p) { return before(name.place, p); });
    return static_cast<size_t>(at - view.names.begin());
}

LocalMatching match_locally(const EditView& view, uint32_t pair, uint64_t first, size_t stop) {
    LocalMatching matching;
    for (size_t i = first_name_at(view, {first, 0}); i < stop; ++i) {
        const WindowName& name = view.names[i];
        if (name.pair != pair)
            continue;
        if (!name.is_close) {
            matching.unmatched.push_back(i);
        } else if (!matching.unmatched.empty()) {
            matching.pairs.push_back({matching.unmatched.back(), i});
            matching.unmatched.pop_back();
        }
    }
    return matching;
}

// The index of the name of `pair` at `place`, or the names' count.
size_t name_index(const EditView& view, NamePlace place, uint32_t pair) {
    size_t i = first_name_at(view, place);
    if (i < view.names.size() && same_place(view.names[i].place, place) &&
        view.names[i].pair == pair)
        return i;
    return view.names.size();
}

enum class Mismatch { none, close_shallower, close_deeper, words_differ, close_on_line };

// How a matched pair reads to a person: a close that starts its line is
// indented as its open's line is, and an open and a close both followed by a
// word name the same thing.
Mismatch pair_mismatch(const EditView& view, size_t open, size_t close) {
    uint64_t open_word = view.words[open], close_word = view.words[close];
    if (open_word != 0 && close_word != 0 && open_word != close_word)
        return Mismatch::words_differ;
    const NamePlace& open_place = view.names[open].place;
    const NamePlace& close_place = view.names[close].place;
    if (open_place.line == close_place.line)
        return Mismatch::none;
    const LineShape* open_line = line_shape(view.shapes, open_place.line);
    const LineShape* close_line = line_shape(view.shapes, close_place.line);
    if (open_line == nullptr || close_line == nullptr ||
        close_line->first_column != close_place.column)
        return Mismatch::none;
    if (close_line->indent < open_line->indent)
        return Mismatch::close_shallower;
    return close_line->indent > open_line->indent ? Mismatch::close_deeper : Mismatch::none;
}

// Whether a name of `pair` stands on the open's line after it (`after`) or on
// the close's line before it.
bool partner_on_line(const EditView& view, size_t name, bool after) {
    const WindowName& at = view.names[name];
    for (size_t i = name; after ? ++i < view.names.size() : i-- > 0;) {
        const WindowName& other = view.names[i];
        if (other.place.line != at.place.line)
            return false;
        if (other.pair == at.pair && other.is_close == after)
            return true;
    }
    return false;
}

// The first line after `line`, up to `limit`, that is not aside; 0 for none.
uint64_t next_text_line(const EditView& view, uint64_t line, uint64_t limit) {
    for (uint64_t next = line + 1; next <= limit; ++next) {
        const LineShape* shape = line_shape(view.shapes, next);
        if (shape == nullptr)
            return 0;
        if (!is_aside(*shape))
            return next;
    }
    return 0;
}

// An open whose line reads as a block of its own line that lost its close:
// text follows it on the line (not a word right after it, which belongs to the
// name), no close of its pair does, and the next line is not indented under it.
bool open_left_on_line(const EditView& view, const MatchedPair& matched) {
    const WindowName& open = view.names[matched.open];
    uint64_t close_line = view.names[matched.close].place.line;
    const LineShape* line = line_shape(view.shapes, open.place.line);
    if (close_line == open.place.line || line == nullptr || view.words[matched.open] != 0 ||
        open.place.column + open.length >= line->end_column ||
        partner_on_line(view, matched.open, true))
        return false;
    uint64_t next = next_text_line(view, open.place.line, close_line);
    return next != 0 && line_shape(view.shapes, next)->indent <= line->indent;
}

// The most lines a block of a few lines, written on from its open's line,
// spans.
constexpr uint64_t kMostContinuedLines = 8;

// Whether the pair is one block written on from its open's line: text follows
// the open, and the lines after it up to the close's are indented deeper.
bool continues_open_line(const EditView& view, const MatchedPair& matched) {
    const WindowName& open = view.names[matched.open];
    uint64_t close_line = view.names[matched.close].place.line;
    const LineShape* line = line_shape(view.shapes, open.place.line);
    if (line == nullptr || open.place.column + open.length >= line->end_column ||
        close_line - open.place.line > kMostContinuedLines)
        return false;
    for (uint64_t next = open.place.line + 1; next <= close_line; ++next) {
        const LineShape* shape = line_shape(view.shapes, next);
        if (shape == nullptr || (!is_aside(*shape) && shape->indent <= line->indent))
            return false;
    }
    return true;
}

// A close whose line reads as a block of its own line that lost its open:
// text stands before it on the line, no open of its pair does, and the pair is
// not one block written on from its open's line.
bool close_left_on_line(const EditView& view, const MatchedPair& matched) {
    const WindowName& close = view.names[matched.close];
    const LineShape* line = line_shape(view.shapes, close.place.line);
    return view.names[matched.open].place.line != close.place.line && line != nullptr &&
           line->first_column != close.place.column &&
           !partner_on_line(view, matched.close, false) && !continues_open_line(view, matched);
}

// Where the lines indented under `line` end, up to `limit`: the line after the
// last of them; false when the line after `line` is not indented deeper or
// the indentation does not come back by `limit`.
bool indented_block_end(const EditView& view, uint64_t line, uint64_t limit, NamePlace& edit) {
    const LineShape* head = line_shape(view.shapes, line);
    if (head == nullptr || is_blank(*head))
        return false;
    uint64_t last = next_text_line(view, line, limit);
    if (last == 0 || line_shape(view.shapes, last)->indent <= head->indent)
        return false;
    for (uint64_t next; (next = next_text_line(view, last, limit)) != 0; last = next) {
        if (line_shape(view.shapes, next)->indent <= head->indent) {
            edit = {last + 1, head->first_column};
            return true;
        }
    }
    return false;
}

// Whether the name stands alone on its line, as an open on a line of its own
// does in the GNU style.
bool alone_on_line(const EditView& view, size_t name) {
    const WindowName& at = view.names[name];
    const LineShape* line = line_shape(view.shapes, at.place.line);
    return line != nullptr && line->first_column == at.place.column &&
           line->end_column == at.place.column + at.length;
}

// Where the lines of an open alone on `line` end when its block's labels stand
// at its indentation (`public:`, `case 1:` under a GNU-style `{`): the line
// after the last one before a line shallower than it; false when the next line
// is not at its indentation with a line indented under it, or no such line
// comes by `limit`.
bool labelled_block_end(const EditView& view, uint64_t line, uint64_t limit, NamePlace& edit) {
    const LineShape* head = line_shape(view.shapes, line);
    uint64_t last = next_text_line(view, line, limit);
    if (head == nullptr || last == 0 || line_shape(view.shapes, last)->indent != head->indent)
        return false;
    // The line after a label is indented under it.
    uint64_t under = next_text_line(view, last, limit);
    if (under == 0 || line_shape(view.shapes, under)->indent <= head->indent)
        return false;
    for (uint64_t next; (next = next_text_line(view, last, limit)) != 0; last = next) {
        if (line_shape(view.shapes, next)->indent < head->indent) {
            edit = {last + 1, head->first_column};
            return true;
        }
    }
    return false;
}

// By line from `from` to `to` (excluded): whether the line goes on within
// an open of a pair other than `pair` that stands on `from` and closes before
// `to` (a head's parameters going on below its first line).
std::vector<bool> lines_within_head(const EditView& view, uint64_t from, uint64_t to,
                                    uint32_t pair) {
    std::vector<bool> within(to - from, false);
    size_t first = first_name_at(view, {from, 0});
    for (size_t i = first; i < view.names.size() && view.names[i].place.line == from; ++i) {
        const WindowName& open = view.names[i];
        if (open.pair == pair || open.is_close)
            continue;
        uint64_t depth = 0;
        for (size_t j = i + 1; j < view.names.size() && view.names[j].place.line < to; ++j) {
            const WindowName& name = view.names[j];
            if (name.pair != open.pair)
                continue;
            if (!name.is_close) {
                ++depth;
            } else if (depth-- == 0) {
                for (uint64_t line = from + 1; line <= name.place.line; ++line)
                    within[line - from] = true;
                break;
            }
        }
    }
    return within;
}

// The topmost of the least indented lines between `above` and `line`, those
// `within` marks left out; 0 for none.
uint64_t topmost_least_indented(const EditView& view, uint64_t above, uint64_t line,
                                const std::vector<bool>* within) {
    uint64_t first = 0;
    uint32_t least = UINT32_MAX;
    for (uint64_t below = line - 1; below > above; --below) {
        const LineShape* shape = line_shape(view.shapes, below);
        if (!is_aside(*shape) && (within == nullptr || !(*within)[below - above]) &&
            shape->indent <= least) {
            least = shape->indent;
            first = below;
        }
    }
    return first;
}

// The line that the lines indented deeper than `line` right above it come
// under, after `lower`: where their open belongs, at its end; false when the
// line above is not indented deeper or no such line comes after `lower`.
bool indented_block_start(const EditView& view, uint64_t line, uint64_t lower, uint32_t pair,
                          NamePlace& edit) {
    const LineShape* foot = line_shape(view.shapes, line);
    if (foot == nullptr)
        return false;
    uint64_t above = line - 1;
    for (; above > lower; --above) {
        const LineShape* shape = line_shape(view.shapes, above);
        if (shape == nullptr)
            return false;
        if (!is_aside(*shape) && shape->indent <= foot->indent)
            break;
    }
    if (above == lower)
        return false;
    // The block's first line is the topmost of the least indented lines above
    // the close: deeper lines above it, and lines within the parentheses of
    // the line before, continue the line the block comes under.
    // When every line is the head's, the block is still the lines below it.
    std::vector<bool> within = lines_within_head(view, above, line, pair);
    uint64_t first = topmost_least_indented(view, above, line, &within);
    if (first == 0)
        first = topmost_least_indented(view, above, line, nullptr);
    if (first == 0)
        return false;
    uint64_t head = above;
    for (uint64_t before = first - 1; before > above; --before) {
        if (!is_aside(*line_shape(view.shapes, before))) {
            head = before;
            break;
        }
    }
    edit = {head, line_shape(view.shapes, head)->end_column};
    return true;
}

// Whether a name of `pair` stands on `line`.
bool line_holds_pair(const EditView& view, uint64_t line, uint32_t pair) {
    for (size_t i = first_name_at(view, {line, 0});
         i < view.names.size() && view.names[i].place.line == line; ++i) {
        if (view.names[i].pair == pair)
            return true;
    }
    return false;
}

// The fewest labels that make a block read as labelled.
constexpr int kFewestLabels = 2;

// Where the open of the close at `line` belongs when its block's labels stand
// at its indentation (`public:` and `private:` in a GNU-style class, the
// `case`s of a switch): the lines above it are runs indented deeper, each
// under a line at its indentation that holds no name of `pair`; the open
// belongs at the end of the line right above the topmost of those (of the
// topmost itself when a name of `pair` stands above it), after `lower`. False
// with fewer than kFewestLabels such lines.
bool labelled_block_start(const EditView& view, uint64_t line, uint64_t lower, uint32_t pair,
                          NamePlace& edit) {
    const LineShape* foot = line_shape(view.shapes, line);
    if (foot == nullptr)
        return false;
    int labels = 0;
    uint64_t label = 0;        // the topmost so far
    bool under_label = false;  // the line below is a label
    bool deeper = false;       // deeper lines since the last label
    for (uint64_t above = line - 1; above > lower; --above) {
        const LineShape* shape = line_shape(view.shapes, above);
        if (shape == nullptr)
            return false;
        if (is_aside(*shape))
            continue;
        if (shape->indent > foot->indent) {
            deeper = true;
            under_label = false;
            continue;
        }
        if (under_label) {
            if (labels < kFewestLabels)
                return false;
            // A close on the line above ends a block before: the topmost
            // label is the head itself.
            uint64_t head = line_holds_pair(view, above, pair) ? label : above;
            edit = {head, line_shape(view.shapes, head)->end_column};
            return true;
        }
        if (shape->indent < foot->indent || !deeper || line_holds_pair(view, above, pair))
            return false;
        ++labels;
        label = above;
        under_label = true;
        deeper = false;
    }
    return false;
}

// Whether nothing after the open reads as its sibling: with a word after it,
// no later name of its pair names the same; without, no later open of its pair
// stands on a line indented as little as its own.
bool last_of_its_kind(const EditView& view, size_t open) {
    const WindowName& name = view.names[open];
    uint64_t word = view.words[open];
    uint32_t indent = line_shape(view.shapes, name.place.line)->indent;
    for (size_t i = open + 1; i < view.names.size(); ++i) {
        const WindowName& other = view.names[i];
        if (other.pair != name.pair)
            continue;
        if (word != 0
                ? view.words[i] == word
                : !other.is_close && line_shape(view.shapes, other.place.line)->indent <= indent)
            return false;
    }
    return true;
}

// The last line after `after` and before `before` that is not aside; 0 for none.
uint64_t last_text_line(const EditView& view, uint64_t after, uint64_t before) {
    for (uint64_t line = before; line-- > after + 1;) {
        const LineShape* shape = line_shape(view.shapes, line);
        if (shape != nullptr && !is_aside(*shape))
            return line;
    }
    return 0;
}

// Whether a line after `line`, up to `last`, holds text (aside or not).
bool any_text_after(const EditView& view, uint64_t line, uint64_t last) {
    for (uint64_t next = line + 1; next <= last; ++next) {
        const LineShape* shape = line_shape(view.shapes, next);
        if (shape != nullptr && !is_blank(*shape))
            return true;
    }
    return false;
}

// Where a close belongs between the name at `from` and the next one at `to`:
// right after the last line of text before `to`, or before `to` on its line.
NamePlace place_before(const EditView& view, const NamePlace& from, const NamePlace& to) {
    if (to.line == from.line)
        return to;
    uint64_t last = last_text_line(view, from.line, to.line);
    return {(last != 0 ? last : from.line) + 1, 1};
}

// Where a close belongs between the name at `from` and the next one at `to`:
// at the end of the paragraph `from` stands in, or as place_before when no
// blank line comes between them.
NamePlace place_at_paragraph_end(const EditView& view, const NamePlace& from, const NamePlace& to) {
    for (uint64_t line = from.line + 1; line < to.line; ++line) {
        const LineShape* shape = line_shape(view.shapes, line);
        if (shape != nullptr && is_blank(*shape))
            return {line, 1};
    }
    return place_before(view, from, to);
}

// Where an open belongs between the name at `from` and the next one at `to`:
// at the start of the last paragraph between them, or after `from` on its line.
NamePlace place_after(const EditView& view, const NamePlace& from, const NamePlace& to) {
    if (to.line == from.line)
        return to;
    for (uint64_t line = to.line; line-- > from.line + 1;) {
        const LineShape* shape = line_shape(view.shapes, line);
        if (shape != nullptr && is_blank(*shape))
            return {line + 1, 1};
    }
    return {from.line + 1, 1};
}

// The line where the branch that holds `line` ends (its chain's next mark or
// its end, the chains begun after `line` passed over), before `limit`; 0 for
// none.
uint64_t branch_end_after(const EditView& view, uint64_t line, uint64_t limit) {
    uint64_t depth = 0;
    for (uint64_t next = line + 1; next < limit; ++next) {
        const LineShape* shape = line_shape(view.shapes, next);
        if (shape == nullptr)
            return 0;
        if (shape->aside == LineAside::branch_start)
            ++depth;
        else if (shape->aside == LineAside::branch_end && depth > 0)
            --depth;
        else if ((shape->aside == LineAside::branch_end ||
                  shape->aside == LineAside::branch_other) &&
                 depth == 0)
            return next;
    }
    return 0;
}

// The name of the same pair and word as `name` that reads as its sibling,
// between it and `bound` (after it when `later`, else before it): the nearest
// open (later) or close (earlier) that starts a line indented as `name`'s
// does; 0 for none, or when `name` has no word after it.
size_t same_word_sibling(const EditView& view, size_t name, size_t bound, bool later) {
    uint64_t word = view.words[name];
    const WindowName& at = view.names[name];
    const LineShape* line = line_shape(view.shapes, at.place.line);
    if (word == 0 || line == nullptr || line->first_column != at.place.column)
        return 0;
    for (size_t i = name; later ? ++i < bound : i-- > bound + 1;) {
        const WindowName& other = view.names[i];
        if (other.pair != at.pair || other.is_close == later || view.words[i] != word)
            continue;
        const LineShape* other_line = line_shape(view.shapes, other.place.line);
        if (other_line != nullptr && other_line->first_column == other.place.column &&
            other_line->indent == line->indent)
            return i;
    }
    return 0;
}

// The open around `matched` (the finding's `open`, or the open of a pair
// that holds it) whose word the close names; the names' count for none. The
// close is that open's: the open of `matched` is the one whose close is
// missing.
size_t enclosing_of_same_word(const EditView& view, const LocalMatching& matching, size_t open,
                              const MatchedPair& matched) {
    uint64_t word = view.words[matched.close];
    if (word == 0)
        return view.names.size();
    if (open < matched.open && view.words[open] == word)
        return open;
    for (const MatchedPair& around : matching.pairs) {
        if (around.open < matched.open && around.close > matched.close &&
            view.words[around.open] == word)
            return around.open;
    }
    return view.names.size();
}

void set_note(EditNote& note, NamePlace edit, EditBasis basis, uint64_t basis_line,
              uint64_t other_line = 0, uint64_t next_line = 0) {
    note.edit = edit;
    bool indentation_of_basis =
        basis == EditBasis::indented_block_ends || basis == EditBasis::labelled_block_ends;
    note.column_line = indentation_of_basis && basis_line != edit.line ? basis_line : 0;
    note.basis = basis;
    note.basis_line = basis_line;
    note.other_line = other_line;
    note.next_line = next_line;
}

// A close missing for the open `open` (a view's index), before `limit`.
bool place_missing_close(const EditView& view, uint32_t pair, size_t open, uint64_t limit,
                         bool text_end_reached, EditNote& note) {
    size_t stop = first_name_at(view, {limit + 1, 0});
    LocalMatching matching = match_locally(view, pair, view.names[open].place.line, stop);
    note.missing_close = true;
    for (const MatchedPair& matched : matching.pairs) {
        if (matched.open <= open)
            continue;
        Mismatch mismatch = pair_mismatch(view, matched.open, matched.close);
        if (mismatch != Mismatch::words_differ && open_left_on_line(view, matched)) {
            uint64_t line = view.names[matched.open].place.line;
            set_note(note, {line, line_shape(view.shapes, line)->end_column},
                     EditBasis::open_on_line, line);
            return true;
        }
        if (mismatch != Mismatch::close_shallower && mismatch != Mismatch::words_differ)
            continue;
        const NamePlace& inner = view.names[matched.open].place;
        const NamePlace& close = view.names[matched.close].place;
        NamePlace edit;
        if (indented_block_end(view, inner.line, close.line, edit)) {
            set_note(note, edit, EditBasis::indented_block_ends, inner.line);
            return true;
        }
        if (mismatch == Mismatch::close_shallower && alone_on_line(view, matched.open) &&
            labelled_block_end(view, inner.line, close.line, edit)) {
            set_note(note, edit, EditBasis::labelled_block_ends, inner.line);
            return true;
        }
        if (mismatch == Mismatch::close_shallower) {
            // Nothing is indented under the open: its block is its own line.
            set_note(note, {inner.line, line_shape(view.shapes, inner.line)->end_column},
                     EditBasis::open_on_line, inner.line);
            return true;
        }
        size_t sibling = same_word_sibling(view, matched.open, matched.close, true);
        if (sibling != 0) {
            const NamePlace& at = view.names[sibling].place;
            set_note(note, place_at_paragraph_end(view, view.names[sibling - 1].place, at),
                     EditBasis::sibling_opens, inner.line, at.line);
            return true;
        }
        size_t enclosing = enclosing_of_same_word(view, matching, open, matched);
        if (enclosing != view.names.size()) {
            set_note(note, place_before(view, view.names[matched.close - 1].place, close),
                     EditBasis::closes_enclosing, inner.line, close.line,
                     view.names[enclosing].place.line);
            return true;
        }
        const NamePlace& next = view.names[matched.open + 1].place;
        set_note(note, place_before(view, inner, next), EditBasis::close_nests, inner.line,
                 close.line, next.line);
        return true;
    }
    NamePlace edit;
    uint64_t line = view.names[open].place.line;
    if (indented_block_end(view, line, limit, edit)) {
        set_note(note, edit, EditBasis::indented_block_ends, line);
        return true;
    }
    uint64_t branch_end = branch_end_after(view, line, limit);
    uint64_t last_in_branch = branch_end != 0 ? last_text_line(view, line, branch_end) : 0;
    if (last_in_branch != 0) {
        set_note(note, {last_in_branch + 1, 1}, EditBasis::branch_ends, line, branch_end);
        return true;
    }
    uint64_t end = view.shapes.end_line;
    if (!text_end_reached || end == 0 || end > limit || !last_of_its_kind(view, open))
        return false;
    // With only lines read past after the open's line (comments), the close
    // belongs right after it; with nothing after it, anywhere on it.
    uint64_t last = last_text_line(view, line, end + 1);
    if (last == 0 && !any_text_after(view, line, end))
        return false;
    set_note(note, {std::max(last, line) + 1, 1}, EditBasis::text_ends, line);
    return true;
}

// The innermost of the nested pairs before the close that read as mismatched
// with the close deeper: the one that the others follow from.
const MatchedPair* innermost_deeper_mismatch(const EditView& view,
                                             const std::vector<MatchedPair>& pairs,
                                             Mismatch& found) {
    const MatchedPair* chosen = nullptr;
    for (size_t i = pairs.size(); i-- > 0;) {
        const MatchedPair& matched = pairs[i];
        if (chosen != nullptr && (matched.open < chosen->open || matched.close > chosen->close))
            continue;
        Mismatch mismatch = pair_mismatch(view, matched.open, matched.close);
        if (mismatch == Mismatch::none && close_left_on_line(view, matched))
            mismatch = Mismatch::close_on_line;
        if (mismatch != Mismatch::none && mismatch != Mismatch::close_shallower) {
            chosen = &matched;
            found = mismatch;
        }
    }
    return chosen;
}

// A close that nothing before it reads as mismatched: the lines above it
// indented as a block, else right after the names before it.
bool place_open_of_stray(const EditView& view, size_t close, uint64_t lower, EditNote& note) {
    uint64_t line = view.names[close].place.line;
    NamePlace edit;
    if (labelled_block_start(view, line, lower > 0 ? lower - 1 : 0, view.names[close].pair, edit)) {
        set_note(note, edit, EditBasis::labelled_block_starts, line);
        return true;
    }
    if (indented_block_start(view, line, lower > 0 ? lower - 1 : 0, view.names[close].pair, edit)) {
        set_note(note, edit, EditBasis::indented_block_starts, line);
        return true;
    }
    size_t before_close = close;
    while (before_close > 0 && view.names[before_close - 1].place.line == line)
        --before_close;
    if (before_close == 0 || view.names[before_close - 1].place.line < lower)
        return false;
    uint64_t last = view.names[before_close - 1].place.line;
    if (last + 1 == line)
        return false;
    set_note(note, place_after(view, view.names[before_close - 1].place, view.names[close].place),
             EditBasis::after_names, last, line);
    return true;
}

// An open missing for the close `close` (a view's index), after `lower`.
bool place_missing_open(const EditView& view, uint32_t pair, size_t close, uint64_t lower,
                        EditNote& note) {
    LocalMatching matching = match_locally(view, pair, lower, close);
    note.missing_close = false;
    Mismatch mismatch = Mismatch::none;
    const MatchedPair* matched = innermost_deeper_mismatch(view, matching.pairs, mismatch);
    NamePlace edit;
    if (matched == nullptr)
        return place_open_of_stray(view, close, lower, note);
    const NamePlace& outer = view.names[matched->open].place;
    const NamePlace& inner = view.names[matched->close].place;
    if (mismatch == Mismatch::close_on_line) {
        set_note(note, {inner.line, line_shape(view.shapes, inner.line)->first_column},
                 EditBasis::close_on_line, inner.line);
        return true;
    }
    if (mismatch == Mismatch::close_deeper) {
        if (labelled_block_start(view, inner.line, outer.line, pair, edit)) {
            set_note(note, edit, EditBasis::labelled_block_starts, inner.line);
            return true;
        }
        if (!indented_block_start(view, inner.line, outer.line, pair, edit))
            return false;
        set_note(note, edit, EditBasis::indented_block_starts, inner.line);
        return true;
    }
    size_t sibling = same_word_sibling(view, matched->close, matched->open, false);
    if (sibling != 0) {
        const NamePlace& at = view.names[sibling].place;
        set_note(note, place_after(view, at, view.names[sibling + 1].place),
                 EditBasis::sibling_closes, inner.line, at.line);
        return true;
    }
    const NamePlace& last = view.names[matched->close - 1].place;
    set_note(note, place_after(view, last, inner), EditBasis::open_nests, outer.line, inner.line,
             last.line);
    return true;
}

bool of_body(const EditView& view, size_t name) {
    return view.names[name].pair == view.body.pair &&
           (view.body.word == 0 || view.words[name] == view.body.word);
}

// Whether the name at `close` closes a document (view.body), and no
// document's open stands before it in the lines read.
bool lone_body_close(const EditView& view, size_t close) {
    if (!view.body.known || !of_body(view, close))
        return false;
    for (size_t i = 0; i < close; ++i) {
        if (!view.names[i].is_close && of_body(view, i))
            return false;
    }
    return true;
}

// The line of the first open of the document's pair that names another
// environment, before the name at `close`; 0 for none. A set whose names hold
// the word has no such open.
uint64_t first_environment_line(const EditView& view, size_t close) {
    if (view.body.word == 0)
        return 0;
    for (size_t i = 0; i < close; ++i) {
        const WindowName& name = view.names[i];
        if (!name.is_close && name.pair == view.body.pair && view.words[i] != 0)
            return name.place.line;
    }
    return 0;
}

// Whether `line` starts a paragraph of text: a letter starts it, after a
// blank line.
bool starts_paragraph(const EditView& view, uint64_t line, const LineShape& shape) {
    const LineShape* above = line > 1 ? line_shape(view.shapes, line - 1) : nullptr;
    return shape.letter_first && shape.aside == LineAside::none && above != nullptr &&
           is_blank(*above);
}

// A document's open missing for the close at `close`: before the first line
// from the text's first on that only a body holds: one that starts with such
// a command, or a paragraph of text, or holds another environment's open.
bool place_body_start(const EditView& view, size_t close, uint64_t first, EditNote& note) {
    if (first != 1)
        return false;
    note.missing_close = false;
    uint64_t environment = first_environment_line(view, close);
    uint64_t last = environment != 0 ? environment : view.names[close].place.line - 1;
    for (uint64_t line = 1; line <= last; ++line) {
        const LineShape* shape = line_shape(view.shapes, line);
        if (shape == nullptr)
            return false;
        // An indented line goes on with what stands above it (a definition
        // written over several lines), unless it holds an environment's open.
        bool unindented = shape->indent == 0;
        BodySign sign = unindented && shape->lead != 0                       ? BodySign::command
                        : unindented && starts_paragraph(view, line, *shape) ? BodySign::paragraph
                        : line == environment                                ? BodySign::environment
                                                                             : BodySign::none;
        if (sign == BodySign::none)
            continue;
        set_note(note, {line, shape->first_column}, EditBasis::body_starts, line);
        note.body_sign = sign;
        note.lead = shape->lead != 0 ? static_cast<uint16_t>(shape->lead - 1) : 0;
        return true;
    }
    return false;
}

// A close that crosses: its own open missing when it stands deeper than its
// open's line, else the crossed open's close missing before it.
bool place_crossing(const EditQuery& query, const EditView& view, uint64_t first, EditNote& note) {
    size_t close = name_index(view, query.place, query.pair);
    if (close == view.names.size())
        return false;
    LocalMatching own = match_locally(view, query.pair, first, close + 1);
    if (!own.pairs.empty() && own.pairs.back().close == close) {
        Mismatch mismatch = pair_mismatch(view, own.pairs.back().open, close);
        if (mismatch == Mismatch::close_deeper &&
            place_missing_open(view, query.pair, close, first, note))
            return true;
    }
    LocalMatching crossed = match_locally(view, query.crossed_pair, first, close);
    for (size_t i = crossed.unmatched.size(); i-- > 0;) {
        size_t open = crossed.unmatched[i];
        if (view.names[open].place.line == query.crossed_line) {
            note.pair = query.crossed_pair;
            return place_missing_close(view, query.crossed_pair, open, query.place.line, false,
                                       note);
        }
    }
    return false;
}

}  // namespace

LineRange edit_query_lines(const EditQuery& query, uint64_t reach) {
    uint64_t line = query.place.line;
    switch (query.kind) {
        case FindingKind::never_closed:
            return {line, query.bound_line != 0 ? std::min(query.bound_line, line + reach)
                                                : line + reach};
        case FindingKind::closes_nothing:
            return {line > reach ? line - reach : 1, line};
        default:
            return {std::max(query.open_line, line > reach ? line - reach : 1),
                    std::max(line, query.open_line)};
    }
}

bool find_edit_place(const EditQuery& query, const EditView& view, uint64_t reach, EditNote& note) {
    note.place = query.place;
    note.pair = query.pair;
    LineRange lines = edit_query_lines(query, reach);
    if (query.kind == FindingKind::crosses)
        return place_crossing(query, view, lines.first, note);
    size_t name = name_index(view, query.place, query.pair);
    if (name == view.names.size())
        return false;
    if (query.kind == FindingKind::never_closed)
        return place_missing_close(view, query.pair, name, lines.last, query.bound_line == 0, note);
    if (query.kind != FindingKind::closes_nothing)
        return false;
    if (lone_body_close(view, name))
        return place_body_start(view, name, lines.first, note);
    return place_missing_open(view, query.pair, name, lines.first, note);
}
