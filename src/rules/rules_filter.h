#pragma once

// The rules applied to the names the scan finds, as a sink in front of another.
// The scan's matcher is the rules matcher (rules_matcher.h): each string it finds
// is a hint, in order of start. The filter decides each hint on the bytes there,
// as the rules try them: a region start first, then the names with their word
// ends. What a region (rules_region.h) or a tag (tag_end.h) covers is searched
// for in the bytes; a self-closing open name waits for the first END after it.
// The kept names, with their lines and starts, go to the next sink in order, as
// the checker's names would, and their columns with them in `kept_columns`: a
// kept name may come chunks after its line was read (a self-closing name waits
// for its tag's end), when a sink could no longer find where that line starts.
//
// Markers in comment regions turn checking off and on (rules_switch.h): while
// it is off, the names are decided as ever but not handed on.
//
// Seams. The filter reads the bytes from the source (RulesSource), which keeps
// what a decision may look at (rules_text.h). A hint whose bytes reach past the
// chunk waits for the next one, and so does a search that needs more.

#include <cstdint>
#include <deque>
#include <string_view>
#include <vector>

#include "rules/declared_region.h"
#include "rules/filter_restart.h"
#include "rules/name_mask.h"
#include "rules/open_names.h"
#include "rules/rules_branches.h"
#include "rules/rules_matcher.h"
#include "rules/rules_region.h"
#include "rules/rules_switch.h"
#include "rules/rules_text.h"
#include "rules/tag_end.h"
#include "scan/scan_loop.h"

// A kept name, waiting while its tag's end, or an earlier name's, is searched.
struct HeldName {
    FoundName name;
    uint64_t name_end;
    uint64_t column;
    bool awaiting;    // self-closing: dropped if its tag closes itself
    uint64_t course;  // awaiting: the id of its search's course
};

// The search for the END of awaiting held names whose searches run one
// course: two searches that stand at one place in the same state end at one END
// (tag_end.h), so however many names wait for one far END they share one search.
// A name joins the course of one of the last held where its search meets it so.
struct HeldCourse {
    TagEndSearch search;
    TagEndJudgement judgement;  // once found
    uint64_t holders = 0;       // the held names of the course
};

// The tag of the name kept last, while its END is searched: nothing in it is
// checked.
struct OpenTag {
    bool open = false;
    TagEndSearch search;
    uint32_t id = 0;    // of its name
    uint64_t line = 0;  // of its name
    uint64_t column = 0;
    uint64_t line_start = 0;  // of its name's line
};

// A tag that tag-break ended before its END: the break byte's place.
struct BrokenTag {
    uint64_t line = 0;
    uint64_t column = 0;
    uint32_t id = 0;  // the tag's name
};

// What is known of the text at a long string's last try: from `left` up to
// `right` it holds the string's first bytes, and the byte at `right` differs
// (or the string is all there, or the text ends).
struct MatchWindow {
    uint64_t left = 0;
    uint64_t right = 0;
};

struct RulesFilterState {
    const RulesMatcher* rules_matcher = nullptr;
    const RulesText* text = nullptr;
    std::vector<RulesHint> deferred;  // hints waiting for bytes
    uint64_t ready_to = 0;            // in the batch: the hints before it have their bytes
    uint64_t resume = 0;              // hints before it are passed over
    OpenRegion region;
    OpenTag tag;
    std::vector<MatchWindow> windows;  // by the long strings' windows
    NameMask mask;
    std::deque<HeldName> held;
    std::deque<HeldCourse> courses;  // by id, from first_course on
    uint64_t first_course = 0;
    std::vector<FoundName> kept;         // of the current batch
    std::vector<uint64_t> kept_columns;  // theirs, from 1
    // The name kept last: its start, its line and where that line starts.
    uint64_t column_from = 0;
    uint64_t column_line = 0;
    uint64_t column_line_start = 0;
    Checking checking;             // as the markers read so far leave it
    bool ended_in_region = false;  // or in a tag
    bool ended_in_tag = false;
    uint32_t ended_in = 0;     // the region rule, or the tag's name
    uint64_t region_line = 0;  // of the region or tag the text ended in
    uint64_t region_column = 0;
    std::vector<BrokenTag> broken;  // in file order
    BranchChains branches;
    OpenNames open_names;  // of the names counted so far
    DeclaredRegions declared;
    const RegionRule* ended_declared = nullptr;  // the declared region the text ended in
    // Restart points, in file order, noted while next_restart is not UINT64_MAX:
    // the next is looked for at the first hint of a batch from next_restart on,
    // where that hint starts a line of hints.
    std::vector<FilterRestart> restarts;
    uint64_t restart_spacing = kRestartSpacing;
    uint64_t next_restart = UINT64_MAX;
    uint64_t restart_line = 0;  // of the last hint of the last batch
};

void start_rules_filter(RulesFilterState& state, const RulesMatcher& rules_matcher,
                        const RulesText& text);

// From here on the filter notes restart points (filter_restart.h) in
// `restarts`, `spacing` bytes apart at least.
void note_filter_restarts(RulesFilterState& state, uint64_t spacing = kRestartSpacing);

// After start_rules_filter and resume_rules_text: the filter as it stood at
// `restart`.
void resume_rules_filter(RulesFilterState& state, const FilterRestart& restart);

// The hints of one batch of the scan, the last of its chunk when `chunk_done`.
// Leaves the names kept in `kept`. Hot: a change needs a benchmark run.
void filter_hints(RulesFilterState& state, const std::vector<RulesHint>& hints, bool chunk_done);

// After the last batch: whether the text ended in a region or a tag; the
// branches' warnings in order.
void finish_rules_filter(RulesFilterState& state);

// The sink: the rules in front of `next`.
template <typename Next>
struct RulesSink {
    RulesFilterState& state;
    Next& next;
};

template <typename Next>
void take_names(RulesSink<Next>& sink, const FoundBatch& batch) {
    filter_hints(sink.state, batch.names, batch.chunk_done);
    take_names(sink.next, FoundBatch{sink.state.kept, batch.chunk, batch.chunk_offset,
                                     batch.chunk_done, &sink.state.kept_columns});
    sink.state.kept.clear();
    sink.state.kept_columns.clear();
}

template <typename Next>
void end_text(RulesSink<Next>& sink, const TextScan& text) {
    finish_rules_filter(sink.state);
    end_text(sink.next, text);
}

// A source in front of another that keeps what the filter needs of the text in
// `text` and hands the scan each chunk from there, folded under ignore-case.
template <typename Inner>
struct RulesSource {
    Inner& inner;
    const RulesMatcher& rules_matcher;
    RulesText& text;
};

template <typename Inner>
ReadStatus read_chunk(RulesSource<Inner>& source, std::string_view& chunk) {
    std::string_view raw;
    ReadStatus status = read_chunk(source.inner, raw);
    if (status == ReadStatus::chunk)
        chunk = add_chunk(source.text, source.rules_matcher.keeping, raw);
    else
        source.text.source_ended = true;
    return status;
}
