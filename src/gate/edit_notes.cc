#include "gate/edit_notes.h"

#include <algorithm>
#include <new>

#include "gate/edit_place.h"
#include "gate/stdin_input.h"
#include "gate/window_names.h"

namespace {

// The most names kept from the lines read.
constexpr size_t kMostWindowNames = size_t{1} << 16;

EditQuery query_of(const FileCheck& check, const Finding& finding) {
    EditQuery query{finding.kind, finding.place, finding.pair};
    FindingNotes notes = notes_of(check, finding);
    for (size_t n = 0; n < notes.count; ++n) {
        if (notes.notes[n].kind == NoteKind::enclosing_close)
            query.bound_line = notes.notes[n].place.line;
    }
    if (finding.kind == FindingKind::crosses) {
        const PendingClose& close = crossing_of(check, finding);
        query.open_line = close.open_line;
        query.crossed_line = close.crossed_line;
        query.crossed_pair = close.crossed_pair;
    }
    return query;
}

std::vector<EditQuery> edit_queries(const FileCheck& check) {
    std::vector<EditQuery> queries;
    FindingWalk walk{check, false};
    Finding finding;
    while (queries.size() < kMostEditNotes && next_finding(walk, finding)) {
        if (finding.kind == FindingKind::never_closed ||
            finding.kind == FindingKind::closes_nothing || finding.kind == FindingKind::crosses)
            queries.push_back(query_of(check, finding));
    }
    return queries;
}

// Where the word after each name would start, in the names' order.
std::vector<WordSpot> word_spots(const std::vector<WindowName>& names) {
    std::vector<WordSpot> spots;
    spots.reserve(names.size());
    for (const WindowName& name : names)
        spots.push_back({name.place.line, name.place.column + name.length});
    return spots;
}

// What starts a line a person reads past: a comment (a region markers are
// read in), a directive, a branch mark that stands at a line's start.
// Under a pair that holds a document, the lines that only its body holds too.
AsideMarks aside_marks(const GateEngine& engine, const BodyStart& body) {
    AsideMarks asides;
    if (body.known)
        asides.leads = body_leads();
    if (!engine.has_rules)
        return asides;
    const TagRules& rules = engine.rules.rules;
    asides.fold = rules.ignore_case;
    for (const RegionRule& region : rules.regions) {
        if (region.markers || region.kind == RegionKind::directive)
            asides.marks.push_back({region.start, LineAside::comment,
                                    region.markers && region.kind == RegionKind::to_end_mark
                                        ? region.end
                                        : std::string()});
    }
    for (const BranchMark& mark : rules.branch_marks) {
        if (mark.line_start && mark.role != BranchRole::plainly_false)
            asides.marks.push_back(
                {mark.text, mark.role == BranchRole::start   ? LineAside::branch_start
                            : mark.role == BranchRole::other ? LineAside::branch_other
                                                             : LineAside::branch_end});
    }
    return asides;
}

// The words after the names; the spots are read in their own order.
bool read_words(const std::string& path, const std::vector<LineRange>& ranges,
                const std::vector<WordSpot>& spots, const AsideMarks& asides, LineShapes& shapes,
                std::vector<uint64_t>& words) {
    std::vector<size_t> order(spots.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return spots[a].line != spots[b].line ? spots[a].line < spots[b].line
                                              : spots[a].column < spots[b].column;
    });
    std::vector<WordSpot> sorted;
    sorted.reserve(spots.size());
    for (size_t i : order)
        sorted.push_back(spots[i]);
    if (!read_line_shapes(path, ranges, sorted, shapes, asides))
        return false;
    words.assign(spots.size(), 0);
    for (size_t i = 0; i < order.size(); ++i)
        words[order[i]] = shapes.words[i];
    return true;
}

}  // namespace

std::vector<EditNote> find_edit_notes(const GateEngine& engine, const std::string& path,
                                      const std::vector<EditQuery>& queries,
                                      const std::vector<FilterRestart>& restarts) {
    std::vector<EditNote> notes;
    if (queries.empty())
        return notes;
    std::vector<LineRange> ranges;
    for (const EditQuery& query : queries)
        ranges.push_back(edit_query_lines(query, kEditReach));
    ranges = join_ranges(std::move(ranges));
    std::vector<WindowName> names;
    if (!find_window_names(engine, path, ranges, kMostWindowNames, restarts, names))
        return notes;
    LineShapes shapes;
    std::vector<uint64_t> words;
    BodyStart body = body_start_of(engine.table);
    if (!read_words(path, ranges, word_spots(names), aside_marks(engine, body), shapes, words))
        return notes;
    EditView view{names, words, shapes, body};
    for (const EditQuery& query : queries) {
        EditNote note;
        if (find_edit_place(query, view, kEditReach, note))
            notes.push_back(note);
    }
    return notes;
}

namespace {

bool before(const NamePlace& a, const NamePlace& b) {
    return a.line != b.line ? a.line < b.line : a.column < b.column;
}

}  // namespace

void add_edit_notes(const GateEngine& engine, const std::string& path, FileCheck& check,
                    const std::vector<FilterRestart>& restarts) {
    if (check.status != FileStatus::checked || path == kStandardInputPath)
        return;
    try {
        check.edit_notes = find_edit_notes(engine, path, edit_queries(check), restarts);
    } catch (const std::bad_alloc&) {
        check.edit_notes.clear();
    }
}

bool edit_note_of(const FileCheck& check, const Finding& finding, EditNote& note) {
    const std::vector<EditNote>& notes = check.edit_notes;
    auto at =
        std::lower_bound(notes.begin(), notes.end(), finding.place,
                         [](const EditNote& n, const NamePlace& p) { return before(n.place, p); });
    if (at == notes.end() || at->place.line != finding.place.line ||
        at->place.column != finding.place.column)
        return false;
    note = *at;
    return true;
}
