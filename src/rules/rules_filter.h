#pragma once

// The rules applied to the names the scan finds, as a sink in front of another.
// The scan's matcher is the rules matcher (rules_matcher.h): each string it finds
// is a hint, in order of start. The filter decides each hint on the bytes there,
// as the rules try them: a region start first, then the names with their word
// ends. What a region or a tag covers is searched for in the bytes (its end mark,
// escapes, line ends); a self-closing open name waits for the first end mark
// after it. The kept names, with their lines and starts, go to the next sink in
// order, as the checker's names would, and their columns with them in
// `kept_columns`: a kept name may come chunks after its line was read (a
// self-closing name waits for its tag's end), when a sink could no longer
// find where that line starts.
//
// Seams. The filter reads the bytes from the source (RulesSource), which keeps
// the text before the current chunk as far back as a decision may look (twice
// the reach of one), with the runs of the "not-after" bytes that end before it;
// where the matcher may hold a hint back to its line's end, from the start of
// the line in progress. A hint whose bytes reach past the chunk waits for the
// next one, and so does a search that needs more.

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "rules/rules_matcher.h"
#include "scan/scan_loop.h"

// The text the filter sees: `bytes` from `offset` on, up to the end of the
// current chunk.
struct RulesText {
    std::string bytes;
    uint64_t offset = 0;
    std::vector<uint64_t> runs_before;  // by not_after_bytes: the run ending before `offset`
    uint64_t line_start_before = 0;     // the start of the line `offset` stands on
    uint64_t line_start = 0;            // of the line in progress
    std::string folded;                 // the current chunk, under ignore-case
    bool final = false;                 // the text has ended
};

struct OpenRegion {
    const RegionRule* rule = nullptr;  // none open
    const StopBytes* stops = nullptr;
    StopBytes verb_stops{};
    uint64_t next = 0;  // where the next step starts
    uint8_t delimiter = 0;
    bool cut = false;  // a CR has ended the line's text
    bool escaped_end = false;
    uint64_t line = 0;  // where it started
    uint64_t column = 0;
};

// The search for the first self-closing end mark after a name: none starts from
// `from` up to `next`; `found`: one starts at `next`.
struct EndSearch {
    uint64_t from = 0;
    uint64_t next = 0;
    bool cut = false;  // a CR has ended the line's text at `next`
    bool found = false;
    bool valid = false;
};

// A kept name, waiting while its tag's end, or an earlier name's, is searched.
struct HeldName {
    FoundName name;
    uint64_t name_end;
    bool awaiting;  // self-closing: dropped if its tag closes itself
    EndSearch search;
    bool closes;  // once found: the tag closes itself
    uint64_t column;
};

struct RulesFilterState {
    const RulesMatcher* rm = nullptr;
    const RulesText* text = nullptr;
    std::vector<FoundName> deferred;  // hints waiting for bytes
    uint64_t resume = 0;              // hints before it are passed over
    OpenRegion region;
    std::deque<HeldName> held;
    std::vector<FoundName> kept;         // of the current batch
    std::vector<uint64_t> kept_columns;  // theirs, from 1
    // The name kept last: its start, its line and where that line starts.
    uint64_t column_from = 0;
    uint64_t column_line = 0;
    uint64_t column_line_start = 0;
    bool ended_in_region = false;
    uint64_t region_line = 0;  // of the region the text ended in
    uint64_t region_column = 0;
};

void start_rules_filter(RulesFilterState& state, const RulesMatcher& rm, const RulesText& text);

// The hints of one batch of the scan. Leaves the names kept in `kept`.
// Hot: a change needs a benchmark run.
void filter_hints(RulesFilterState& state, const std::vector<FoundName>& hints);

// After the last batch: whether the text ended in a region.
void finish_rules_filter(RulesFilterState& state);

// The sink: the rules in front of `next`.
template <typename Next>
struct RulesSink {
    RulesFilterState& state;
    Next& next;
};

template <typename Next>
void take_names(RulesSink<Next>& sink, const FoundBatch& batch) {
    filter_hints(sink.state, batch.names);
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
    const RulesMatcher& rm;
    RulesText& text;
};

void start_rules_text(RulesText& text, const RulesMatcher& rm);

// Appends the next chunk to the text, dropping what no decision needs any more;
// returns the chunk the scan sees.
std::string_view add_chunk(RulesText& text, const RulesMatcher& rm, std::string_view raw);

template <typename Inner>
ReadStatus read_chunk(RulesSource<Inner>& source, std::string_view& chunk) {
    std::string_view raw;
    ReadStatus status = read_chunk(source.inner, raw);
    if (status == ReadStatus::chunk)
        chunk = add_chunk(source.text, source.rm, raw);
    else
        source.text.final = true;
    return status;
}
