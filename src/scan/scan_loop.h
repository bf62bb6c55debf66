#pragma once

// The one scan loop: a source hands out the text in chunks, the matcher finds
// the names in them, and a sink takes the names in batches, in order of their
// starts. Every consumer of a scan is a sink: the checker's occurrence list, a
// range of the parallel scan, the gate's pair matching, and the gate's rules
// filter (RulesSink), which hands the names it keeps on to another sink.
//
// A source provides
//     ReadStatus read_chunk(Source&, std::string_view& chunk);
// handing out chunks, never empty, until `end` or `error`. A sink provides
//     void take_names(Sink&, const FoundBatch& batch);
//     void end_text(Sink&, const TextScan& text);
// take_names may be called with no names; end_text comes after the last
// batch, once the source has reached its end, with the matcher's final state
// (text.line - 1 lines ended in the text).

#include <cstdint>
#include <string_view>
#include <vector>

#include "match/tag_matcher.h"
#include "text/file_reader.h"

// The names found, and the chunk the matcher was in when it handed them out
// with the offset of its first byte among the source's bytes. A name may have
// started in an earlier chunk; at the end of the text the chunk is empty.
// `chunk_done` marks the chunk's last batch: its bytes are gone after it. A
// name is handed out, at the latest, in the batch of the chunk that ends its
// line, so a sink that follows line starts may sweep each chunk when it is done.
//
// `columns`, when a sink in front knows them (the gate's rules filter), holds
// the names' columns, from 1, in step with them: its names may come long after
// their lines were read.
struct FoundBatch {
    const std::vector<FoundName>& names;
    std::string_view chunk;
    uint64_t chunk_offset;
    bool chunk_done;
    const std::vector<uint64_t>* columns = nullptr;
};

// Room for the batches, reused by whoever scans many texts.
inline std::vector<FoundName> make_found_names() {
    std::vector<FoundName> found;
    found.reserve(2 * kFoundBatch);
    return found;
}

// Where the source's text stands in its file: at its start, or at the start of
// a later line (the source's first byte is the line's first byte).
struct TextStart {
    uint64_t offset = 0;
    uint64_t line = 1;
};

// Scans the source's text to its end and hands what it finds to the sink;
// `error` when the source failed, and then end_text is not called. The matcher
// is only read, so threads may share it. Hot: a change needs a benchmark run.
template <typename Source, typename Sink>
ReadStatus scan_text(const TagMatcher& matcher, Source& source, Sink& sink,
                     std::vector<FoundName>& found, TextStart start = {}) {
    TextScan text;
    start_text_scan(matcher, text);
    text.offset = start.offset;
    text.line = start.line;
    uint64_t offset = start.offset;
    std::string_view chunk;
    ReadStatus status;
    while ((status = read_chunk(source, chunk)) == ReadStatus::chunk) {
        bool chunk_done;
        do {
            chunk_done = find_names(matcher, chunk, text, found);
            take_names(sink, FoundBatch{found, chunk, offset, chunk_done});
            found.clear();
        } while (!chunk_done);
        offset += chunk.size();
    }
    if (status == ReadStatus::error)
        return status;
    finish_text_scan(text, found);
    take_names(sink, FoundBatch{found, std::string_view(), offset, true});
    found.clear();
    end_text(sink, text);
    return ReadStatus::end;
}

template <typename Source, typename Sink>
ReadStatus scan_text(const TagMatcher& matcher, Source& source, Sink& sink, TextStart start = {}) {
    std::vector<FoundName> found = make_found_names();
    return scan_text(matcher, source, sink, found, start);
}
