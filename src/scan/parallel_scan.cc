#include "scan/parallel_scan.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <string_view>

#include "scan/scan_loop.h"
#include "text/file_reader.h"
#include "text/text_bytes.h"
#include "text/thread_group.h"

constexpr uint64_t kNoEnd = UINT64_MAX;

namespace {

// What one thread reads with.
struct RangeReader {
    int fd = -1;
    uint64_t unreadable_from = UINT64_MAX;
    std::unique_ptr<char[]> buffer;
    size_t capacity = 0;
    std::vector<FoundName> found;
    // The occurrence blocks of all the thread's ranges.
    std::shared_ptr<OccurrenceArena> arena;
    // By name id, over all the thread's ranges: a vector per range would take
    // fresh pages for every range when there are many names.
    std::vector<uint64_t> counts;
};

struct ScanWork {
    int fd;
    uint64_t size;
    const TagMatcher& matcher;
    size_t name_count;
    const ParallelPlan& plan;
    std::vector<RangeScan>& ranges;
    std::atomic<size_t> next{0};
    // Where a 0x1A was seen: the file's text ends there or before, so ranges
    // behind it need no scan.
    std::atomic<uint64_t> end_byte_seen{UINT64_MAX};
    std::mutex done_mutex{};
    std::vector<std::unique_ptr<char[]>>* read_buffers = nullptr;  // room for every thread's
    std::vector<uint64_t>* counts = nullptr;                       // the threads' added up
};

// Up to `room` bytes at `offset`, cut at a 0x1A; the plan's unreadable bytes
// fail as a damaged disk would.
ReadStatus read_range_bytes(RangeReader& reader, size_t room, uint64_t offset, size_t& size,
                            bool& ends_text) {
    if (room > reader.unreadable_from || offset >= reader.unreadable_from - room)
        return ReadStatus::error;
    return read_at(reader.fd, offset, reader.buffer.get(), room, size, ends_text);
}

// A range holds the lines that start in its nominal bytes [from, to): it
// begins just past the first LF at from - 1 or later. No such line start, or
// a 0x1A before it, leaves the range empty: the range before runs on over
// those bytes. Lines are mostly short: the first reads are small.
bool find_range_begin(RangeReader& reader, uint64_t from, uint64_t to, RangeScan& range) {
    uint64_t pos = from - 1;
    for (size_t probe = 4096; pos < to - 1; probe = std::min(2 * probe, reader.capacity)) {
        size_t size;
        bool ends_text;
        uint64_t room = std::min<uint64_t>({probe, reader.capacity, to - 1 - pos});
        ReadStatus status = read_range_bytes(reader, room, pos, size, ends_text);
        if (status == ReadStatus::error) {
            range.read_error = true;
            return false;
        }
        const char* bytes = reader.buffer.get();
        if (const void* lf = std::memchr(bytes, kLf, size)) {
            range.begin = pos + static_cast<size_t>(static_cast<const char*>(lf) - bytes) + 1;
            return true;
        }
        if (status == ReadStatus::end || ends_text)
            return false;
        pos += size;
    }
    return false;
}

// A range's bytes, read with pread from its line start to the LF that ends its
// last line (the first at nominal_end - 1 or later) or to the end of the text.
struct RangeSource {
    ScanWork& work;
    RangeReader& reader;
    RangeScan& range;
    uint64_t pos;
    uint64_t nominal_end;
    bool last = false;
};

void note_end_byte(ScanWork& work, uint64_t at) {
    uint64_t seen = work.end_byte_seen.load();
    while (at < seen && !work.end_byte_seen.compare_exchange_weak(seen, at)) {
    }
}

// Cuts a chunk read at source.pos at the LF that ends the range's last line.
void cut_at_range_end(RangeSource& source, const char* bytes, size_t& size) {
    uint64_t nominal_end = source.nominal_end;
    if (nominal_end == kNoEnd || source.pos + size <= nominal_end - 1)
        return;
    size_t from =
        nominal_end - 1 > source.pos ? static_cast<size_t>(nominal_end - 1 - source.pos) : 0;
    if (const void* lf = std::memchr(bytes + from, kLf, size - from)) {
        size = static_cast<size_t>(static_cast<const char*>(lf) - bytes) + 1;
        source.range.end_of_file_byte = false;
        source.last = true;
    }
}

// A range behind a 0x1A seen elsewhere stops: it will be dropped.
ReadStatus read_chunk(RangeSource& source, std::string_view& chunk) {
    if (source.last || source.pos > source.work.end_byte_seen.load())
        return ReadStatus::end;
    RangeReader& reader = source.reader;
    size_t size;
    bool ends_text;
    ReadStatus status = read_range_bytes(reader, reader.capacity, source.pos, size, ends_text);
    if (status == ReadStatus::error)
        return status;
    if (ends_text) {
        source.range.end_of_file_byte = true;
        source.last = true;
    }
    cut_at_range_end(source, reader.buffer.get(), size);
    if (source.range.end_of_file_byte)
        note_end_byte(source.work, source.pos + size);
    chunk = std::string_view(reader.buffer.get(), size);
    source.pos += size;
    return size == 0 ? ReadStatus::end : ReadStatus::chunk;
}

// The parallel scan's sink: a range's occurrences, its names counted, its
// level summary, and where pieces start.
struct RangeSink {
    RangeScan& range;
    uint64_t* counts;  // by name id
};

void add_piece_start(RangeScan& range, const LevelSummary& levels) {
    range.piece_starts.push_back({mark_occurrences(range.occurrences), levels});
    range.next_piece_at = range.occurrences.count + kPieceOccurrences;
}

// Hot: a change needs a benchmark run. The summary stays in locals: the
// list's stores could alias it.
void take_names(RangeSink& sink, const FoundBatch& batch) {
    RangeScan& range = sink.range;
    OccurrenceList& list = range.occurrences;
    uint64_t* counts = sink.counts;
    LevelSummary levels = range.levels;
    int64_t peak = range.peak;
    for (const FoundName& name : batch.names) {
        if (next_starts_block(list) || list.count == range.next_piece_at)
            add_piece_start(range, levels);
        append_occurrence(list, name.id, name.line);
        add_tag(levels, name.id & 1);
        peak = std::max(peak, levels.net - levels.lowest);
        ++counts[name.id];
    }
    range.levels = levels;
    range.peak = peak;
}

void end_text(RangeSink& sink, const TextScan& text) {
    sink.range.line_ends = text.line - 1;
}

void scan_range(ScanWork& work, RangeReader& reader, uint64_t nominal_end, RangeScan& range) {
    RangeSource source{work, reader, range, range.begin, nominal_end};
    RangeSink sink{range, reader.counts.data()};
    if (scan_text(work.matcher, source, sink, reader.found) == ReadStatus::error)
        range.read_error = true;
    range.end = source.pos;
}

void take_reader_memory(const ScanWork& work, RangeReader& reader) {
    if (!reader.buffer) {
        reader.buffer = std::make_unique_for_overwrite<char[]>(work.plan.read_bytes);
        reader.capacity = work.plan.read_bytes;
        reader.found = make_found_names();
    }
    if (!reader.arena)
        reader.arena = std::make_shared<OccurrenceArena>();
    if (reader.counts.size() != work.name_count)
        reader.counts.assign(work.name_count, 0);
}

void scan_into(ScanWork& work, RangeReader& reader, size_t index, RangeScan& range) {
    take_reader_memory(work, reader);
    uint64_t count = work.ranges.size();
    bool is_last = index + 1 == count;
    uint64_t nominal_end = is_last ? kNoEnd : nominal_begin(work.size, count, index + 1);
    uint64_t begin = nominal_begin(work.size, count, index);
    if (begin > work.end_byte_seen.load())
        return;
    if (index > 0 && !find_range_begin(reader, begin, nominal_end, range))
        return;
    range.occurrences.arena = reader.arena;
    scan_range(work, reader, nominal_end, range);
}

// The range is scanned into a RangeScan of the thread's own: ranges side by side
// in one vector would share cache lines between threads. What a range found
// before memory ran out is kept: its names are counted already.
void scan_one_range(ScanWork& work, RangeReader& reader, size_t index) {
    RangeScan range;
    try {
        scan_into(work, reader, index, range);
    } catch (const std::bad_alloc&) {
        range.out_of_memory = true;
    }
    work.ranges[index] = std::move(range);
}

void scan_ranges(ScanWork& work) {
    RangeReader reader;
    reader.fd = work.fd;
    reader.unreadable_from = work.plan.unreadable_from;
    for (size_t index; (index = work.next++) < work.ranges.size();)
        scan_one_range(work, reader, index);
    std::lock_guard<std::mutex> lock(work.done_mutex);
    if (reader.buffer)
        work.read_buffers->push_back(std::move(reader.buffer));
    for (size_t id = 0; id < reader.counts.size(); ++id)
        (*work.counts)[id] += reader.counts[id];
}

// Takes the names of a range behind the end of the text back out of the counts.
void uncount(const RangeScan& range, NameTally& totals) {
    OccurrenceCursor cursor;
    TagOccurrence occurrence;
    while (next_occurrence(range.occurrences, cursor, occurrence)) {
        std::vector<uint64_t>& num =
            occurrence.kind == TagKind::open ? totals.opn_num : totals.cls_num;
        --num[occurrence.pair];
    }
}

void add_up_counts(const std::vector<uint64_t>& counts, size_t pairs, NameTally& totals) {
    start_tally(totals, pairs);
    for (size_t pair = 0; pair < pairs; ++pair) {
        totals.opn_num[pair] = counts[2 * pair];
        totals.cls_num[pair] = counts[2 * pair + 1];
    }
}

// Places the range after those before it: its first line, its start depth,
// and what it does to the depth.
void follow_range(RangeScan& range, uint64_t& lines, ParallelScan& scan) {
    NameTally& totals = scan.totals;
    range.lines_before = lines;
    range.start_depth = totals.depth;
    scan.deepest = std::max(scan.deepest, totals.depth + range.peak);
    totals.close_at_level_zero |= meets_level_zero(range.levels, totals.depth);
    totals.depth = depth_after(range.levels, totals.depth);
    lines += range.line_ends;
}

// Line numbers, levels, counters and the verdict, in file order. A range that
// failed counts only if reading on one thread would have reached it.
void put_together(std::vector<RangeScan>& ranges, const std::vector<uint64_t>& counts,
                  const TagTable& table, ParallelScan& scan) {
    add_up_counts(counts, table.n, scan.totals);
    uint64_t lines = 0;
    size_t index = 0;
    for (; index < ranges.size(); ++index) {
        RangeScan& range = ranges[index];
        if (range.read_error) {
            scan.read_error = true;
            return;
        }
        if (range.out_of_memory)
            throw std::bad_alloc();
        follow_range(range, lines, scan);
        bool file_ends = range.end_of_file_byte;
        scan.ranges.push_back(std::move(range));
        if (file_ends)
            break;
    }
    while (++index < ranges.size())
        uncount(ranges[index], scan.totals);
    settle_verdict(scan.totals);
}

}  // namespace

void scan_in_parallel(int fd, uint64_t size, const TagMatcher& matcher, const TagTable& table,
                      const ParallelPlan& plan, ParallelScan& scan) {
    size_t threads = std::max<size_t>(plan.threads, 1);
    std::vector<RangeScan> ranges(range_count(plan, size));
    std::vector<std::unique_ptr<char[]>> read_buffers;
    read_buffers.reserve(threads);
    std::vector<uint64_t> counts(2 * table.n);
    ScanWork work{fd, size, matcher, 2 * table.n, plan, ranges};
    work.read_buffers = &read_buffers;
    work.counts = &counts;
    std::vector<std::thread> helpers = start_threads(threads - 1, [&work] { scan_ranges(work); });
    scan_ranges(work);
    join_threads(helpers);
    scan = ParallelScan{};
    scan.read_buffers = std::move(read_buffers);
    put_together(ranges, counts, table, scan);
}
