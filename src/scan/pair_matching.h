#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "scan/block_stack.h"
#include "scan/lowest_tree.h"
#include "scan/name_tally.h"
#include "scan/pending_marks.h"
#include "scan/record_spool.h"
#include "scan/scan_loop.h"

// Matches each pair on its own while the names come in file order: a close name
// matches the latest unmatched open name of its pair. Memory follows the
// unmatched names, not the file: the opens still unmatched and the closes whose
// span may cross another pair's, each kept in a few words with its line and
// column. The closes that match nothing are certain findings as they come, in
// file order: they go to a spill file beyond one block (record_spool.h), and
// so do the pending closes and the notes, which only their places on the open
// stack (in a tree) and the opens' note indices refer to while names come.
//
// The opens wait on one stack in file order; a matched one leaves it when it
// reaches the top, or when the matched ones held under unmatched ones grow to a
// sixteenth of those (and `fewest_holes_moved`), all at once, every place kept
// moving down with them. So the places of the opens on the stack keep their
// order, and each pair keeps the places of its own unmatched opens.
//
// Two matched spans cross when open A < open B < close A < close B (the names
// by their place in the file); it is reported at close A. When close A comes
// and some open of another pair, opened after A's own, is still unmatched, close
// A is pending: it crosses as soon as one of those opens is matched.
//
// An open never closed gets a note where it should have closed: the first
// close after it that matches an open before it.

// Where a name starts: its line and its column, 1-based, in bytes.
struct NamePlace {
    uint64_t line;
    uint64_t column;
};

// 24 bytes: every open waits here, the matched ones too while an unmatched one
// stands above them.
struct OpenEntry {
    NamePlace place;
    uint32_t note;  // 1 + its index among the notes; 0 for none (yet)
    uint32_t pair : 31;
    uint32_t matched : 1;
};
static_assert(sizeof(OpenEntry) == 24);

// Past this many notes an open gets none: a note is a help, never a verdict.
constexpr uint64_t kMostNoteRecords = UINT32_MAX - 1;

struct CloseRecord {
    NamePlace place;
    uint32_t pair;
    uint32_t unused = 0;  // written out whole to a spill file
};

// A close that matched and so closed the opens after its own that were still
// open: the note of those never closed.
using NoteRecord = CloseRecord;

// Consecutive places on the open stack.
struct PlaceRun {
    uint64_t first;
    uint64_t count;
};

// In blocks, so that the many runs the matched opens held leave between
// unmatched ones never need twice their memory.
using PlaceRuns = BlockStack<PlaceRun>;

// A close that may cross, and once it does, the open that was still unmatched
// when it came and was matched after it.
struct PendingClose {
    NamePlace place;
    uint64_t open_line;  // of its own open
    uint32_t pair;
    uint32_t crossed_pair = 0;
    uint64_t crossed_line = 0;  // 0 until it crosses
};

inline bool crosses(const PendingClose& close) {
    return close.crossed_line != 0;
}

// The pending closes in the order they came, with the lowest place just above
// their own opens on the open stack (settled ones count as kNoValue), to find
// those a newly matched open settles. The tree holds the closes from
// `tree_base` on: those before are all settled.
struct PendingCloses {
    RecordSpool<PendingClose> closes;  // spilled beyond a block
    LowestTree lowest_place;
    uint64_t tree_base = 0;
    size_t unsettled = 0;
};

struct PairMatching {
    BlockStack<OpenEntry> opens;
    std::vector<PlaceRuns> unmatched_opens;  // by pair
    PlaceRuns noteless;                      // the places of the opens with no note yet
    RecordSpool<NoteRecord> notes;           // spilled beyond a block
    PendingMarks pending_marks;
    uint64_t count = 0;                          // names found
    uint64_t unmatched = 0;                      // the opens on the stack still unmatched
    uint64_t fewest_holes_moved = 64 * 1024;     // fewer matched opens held stay on the stack
    RecordSpool<CloseRecord> unmatched_closes;   // in file order, spilled beyond a block
    std::vector<uint64_t> stray_closes_by_pair;  // how many of each pair's closes match nothing
    PendingCloses pending;
};

void start_pair_matching(PairMatching& matching, size_t pairs);

// The next name found. Throws std::bad_alloc when memory runs out.
void match_name(PairMatching& matching, uint32_t pair, bool is_close, NamePlace place);

// Where the text stops being read (an end of text under `unread`), the opens
// still unmatched are no failure, their closes standing in the part not read:
// takes them as closed and judges the tally again. What came before is judged
// as ever: a close that closes nothing, counts that differ before that place.
void forget_open_names(NameTally& tally, PairMatching& matching);

// Where the line under way starts among the text's bytes, followed through
// the chunks: `swept` is how far the chunks were searched for line ends, and
// `line` the line that starts at `line_start`, 0 when a chunk's end was swept
// past a line end. Names on the line of the name before need no search.
struct LineStarts {
    uint64_t line_start = 0;
    uint64_t swept = 0;
    uint64_t line = 1;
};

// The last line end before `to` in the batch's chunk, from where the last sweep
// stopped; false when there is none. Hot: a change needs a benchmark run.
inline bool sweep_lines(LineStarts& lines, const FoundBatch& batch, uint64_t to) {
    uint64_t from = lines.swept > batch.chunk_offset ? lines.swept : batch.chunk_offset;
    lines.swept = to;
    if (to <= from)
        return false;
    const char* data = batch.chunk.data();
    size_t begin = from - batch.chunk_offset;
    const void* lf = memrchr(data + begin, '\n', to - from);
    if (lf == nullptr)
        return false;
    lines.line_start =
        batch.chunk_offset + static_cast<uint64_t>(static_cast<const char*>(lf) - data) + 1;
    return true;
}

// The column of a name of the batch. A name handed out late started in an
// earlier chunk on the line still under way, whose start is known.
inline uint64_t name_column(LineStarts& lines, const FoundBatch& batch, const FoundName& name) {
    if (name.line != lines.line) {
        if (name.start > lines.swept)
            sweep_lines(lines, batch, name.start);
        lines.line = name.line;
    }
    return name.start >= lines.line_start ? name.start - lines.line_start + 1 : 0;
}

// The gate's sink: every name counted and matched at once, none kept.
struct PairSink {
    NameTally& tally;
    PairMatching& matching;
    LineStarts lines{};
};

// Hot: a change needs a benchmark run.
inline void take_names(PairSink& sink, const FoundBatch& batch) {
    PairMatching& matching = sink.matching;
    LineStarts& lines = sink.lines;
    if (batch.columns != nullptr) {
        const FoundName* first = batch.names.data();
        tally_names(sink.tally, batch.names, [&](const FoundName& name) {
            NamePlace place{name.line, (*batch.columns)[&name - first]};
            match_name(matching, name.id >> 1, name.id & 1, place);
        });
        return;
    }
    tally_names(sink.tally, batch.names, [&](const FoundName& name) {
        NamePlace place{name.line, name_column(lines, batch, name)};
        match_name(matching, name.id >> 1, name.id & 1, place);
    });
    if (batch.chunk_done && sweep_lines(lines, batch, batch.chunk_offset + batch.chunk.size()))
        lines.line = 0;
}

inline void end_text(PairSink& sink, const TextScan&) {
    settle_verdict(sink.tally);
}
