#include "scan/parallel_scan.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <string_view>

#include "text/text_bytes.h"
#include "text/thread_group.h"

constexpr uint64_t kNoEnd = UINT64_MAX;

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

// Up to `room` bytes at `offset`; got is 0 only at the end of the file.
static bool read_at(RangeReader& reader, size_t room, uint64_t offset, size_t& got) {
    if (room > reader.unreadable_from || offset >= reader.unreadable_from - room)
        return false;
    ssize_t result;
    do {
        result = ::pread(reader.fd, reader.buffer.get(), room, static_cast<off_t>(offset));
    } while (result < 0 && errno == EINTR);
    got = result > 0 ? static_cast<size_t>(result) : 0;
    return result >= 0;
}

// A range holds the lines that start in its nominal bytes [from, to): it
// begins just past the first LF at from - 1 or later. No such line start, or
// a 0x1A before it, leaves the range empty: the range before runs on over
// those bytes. Lines are mostly short: the first reads are small.
static bool find_range_begin(RangeReader& reader, uint64_t from, uint64_t to, RangeScan& range) {
    uint64_t pos = from - 1;
    for (size_t probe = 4096; pos < to - 1; probe = std::min(2 * probe, reader.capacity)) {
        size_t got;
        uint64_t room = std::min<uint64_t>({probe, reader.capacity, to - 1 - pos});
        if (!read_at(reader, room, pos, got)) {
            range.read_error = true;
            return false;
        }
        const char* bytes = reader.buffer.get();
        const char* lf = static_cast<const char*>(std::memchr(bytes, kLf, got));
        size_t text = lf ? static_cast<size_t>(lf - bytes) : got;
        if (got == 0 || std::memchr(bytes, kEndOfFileByte, text) != nullptr)
            return false;
        if (lf) {
            range.begin = pos + text + 1;
            return true;
        }
        pos += got;
    }
    return false;
}

static void add_piece_start(RangeScan& range, const LevelSummary& levels) {
    const OccurrenceList& list = range.occurrences;
    // The same test as append_occurrence's: a new block starts here.
    if (list.end - list.out < static_cast<ptrdiff_t>(kMaxOccurrenceBytes)) {
        range.piece_starts.push_back({list.blocks.size(), 0, list.count, list.last_line, levels});
    } else {
        size_t pos = static_cast<size_t>(list.out - list.blocks.back().bytes);
        range.piece_starts.push_back(
            {list.blocks.size() - 1, pos, list.count, list.last_line, levels});
    }
    range.next_piece_at = list.count + kPieceOccurrences;
}

// Hot: a change needs a benchmark run. Records a batch of names: the
// occurrence, the counter, the level summary, and where pieces start. The
// summary stays in locals: the list's stores could alias it.
static void record_found(RangeScan& range, std::vector<FoundName>& found, uint64_t* counts) {
    OccurrenceList& list = range.occurrences;
    LevelSummary levels = range.levels;
    int64_t peak = range.peak;
    for (const FoundName& name : found) {
        if (list.end - list.out < static_cast<ptrdiff_t>(kMaxOccurrenceBytes) ||
            list.count == range.next_piece_at)
            add_piece_start(range, levels);
        append_occurrence(list, name.id, name.line);
        add_tag(levels, name.id & 1);
        peak = std::max(peak, levels.net - levels.lowest);
        ++counts[name.id];
    }
    range.levels = levels;
    range.peak = peak;
    found.clear();
}

// The bytes to scan of a chunk read at `pos`: up to a 0x1A, and up to the LF
// that ends the range's last line, the first at nominal_end - 1 or later.
static size_t cut_chunk(const char* bytes, size_t got, uint64_t pos, uint64_t nominal_end,
                        RangeScan& range, bool& last) {
    size_t size = got;
    if (const void* stop = std::memchr(bytes, kEndOfFileByte, got)) {
        size = static_cast<size_t>(static_cast<const char*>(stop) - bytes);
        range.end_of_file_byte = true;
        last = true;
    }
    if (nominal_end != kNoEnd && pos + size > nominal_end - 1) {
        size_t from = nominal_end - 1 > pos ? static_cast<size_t>(nominal_end - 1 - pos) : 0;
        if (const void* lf = std::memchr(bytes + from, kLf, size - from)) {
            size = static_cast<size_t>(static_cast<const char*>(lf) - bytes) + 1;
            range.end_of_file_byte = false;
            last = true;
        }
    }
    return size;
}

static void note_end_byte(ScanWork& work, uint64_t at) {
    uint64_t seen = work.end_byte_seen.load();
    while (at < seen && !work.end_byte_seen.compare_exchange_weak(seen, at)) {
    }
}

static void scan_range(ScanWork& work, RangeReader& reader, uint64_t nominal_end,
                       RangeScan& range) {
    const TagMatcher& matcher = work.matcher;
    TextScan text;
    start_text_scan(matcher, text);
    uint64_t pos = range.begin;
    // A range behind a 0x1A seen elsewhere stops: it will be dropped.
    for (bool last = false; !last && pos <= work.end_byte_seen.load();) {
        size_t got;
        if (!read_at(reader, reader.capacity, pos, got)) {
            range.read_error = true;
            return;
        }
        if (got == 0)
            break;
        size_t size = cut_chunk(reader.buffer.get(), got, pos, nominal_end, range, last);
        if (range.end_of_file_byte)
            note_end_byte(work, pos + size);
        std::string_view chunk(reader.buffer.get(), size);
        while (!find_names(matcher, chunk, text, reader.found))
            record_found(range, reader.found, reader.counts.data());
        record_found(range, reader.found, reader.counts.data());
        pos += size;
    }
    finish_text_scan(text, reader.found);
    record_found(range, reader.found, reader.counts.data());
    range.end = pos;
    range.line_ends = text.line - 1;
}

static uint64_t nominal_begin(const ScanWork& work, size_t index) {
    uint64_t count = work.ranges.size();
    return work.size / count * index + work.size % count * index / count;
}

static void scan_into(ScanWork& work, RangeReader& reader, size_t index, RangeScan& range) {
    if (!reader.buffer) {
        reader.buffer = std::make_unique_for_overwrite<char[]>(work.plan.read_bytes);
        reader.capacity = work.plan.read_bytes;
        reader.found.reserve(2 * kFoundBatch);
    }
    if (!reader.arena)
        reader.arena = std::make_shared<OccurrenceArena>();
    if (reader.counts.size() != work.name_count)
        reader.counts.assign(work.name_count, 0);
    bool is_last = index + 1 == work.ranges.size();
    uint64_t nominal_end = is_last ? kNoEnd : nominal_begin(work, index + 1);
    uint64_t begin = nominal_begin(work, index);
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
static void scan_one_range(ScanWork& work, RangeReader& reader, size_t index) {
    RangeScan range;
    try {
        scan_into(work, reader, index, range);
    } catch (const std::bad_alloc&) {
        range.out_of_memory = true;
    }
    work.ranges[index] = std::move(range);
}

static void scan_ranges(ScanWork& work) {
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
static void uncount(const RangeScan& range, ScanResult& totals) {
    OccurrenceCursor cursor;
    TagOccurrence occurrence;
    while (next_occurrence(range.occurrences, cursor, occurrence)) {
        std::vector<uint64_t>& num =
            occurrence.kind == TagKind::open ? totals.opn_num : totals.cls_num;
        --num[occurrence.pair];
    }
}

// Line numbers, levels, counters and the verdict, in file order. A range that
// failed counts only if reading on one thread would have reached it.
static void put_together(std::vector<RangeScan>& ranges, const std::vector<uint64_t>& counts,
                         const TagTable& table, ParallelScan& scan) {
    ScanResult& totals = scan.totals;
    totals.opn_num.assign(table.n, 0);
    totals.cls_num.assign(table.n, 0);
    for (size_t pair = 0; pair < table.n; ++pair) {
        totals.opn_num[pair] = counts[2 * pair];
        totals.cls_num[pair] = counts[2 * pair + 1];
    }
    uint64_t lines = 0;
    size_t index = 0;
    for (; index < ranges.size(); ++index) {
        RangeScan& range = ranges[index];
        if (range.read_error) {
            totals.read_error = true;
            return;
        }
        if (range.out_of_memory)
            throw std::bad_alloc();
        range.lines_before = lines;
        range.start_depth = totals.depth;
        scan.deepest = std::max(scan.deepest, totals.depth + range.peak);
        totals.close_at_level_zero |= meets_level_zero(range.levels, totals.depth);
        totals.depth = depth_after(range.levels, totals.depth);
        lines += range.line_ends;
        bool file_ends = range.end_of_file_byte;
        scan.ranges.push_back(std::move(range));
        if (file_ends)
            break;
    }
    while (++index < ranges.size())
        uncount(ranges[index], totals);
    settle_verdict(totals);
}

void scan_in_parallel(int fd, uint64_t size, const TagMatcher& matcher, const TagTable& table,
                      const ParallelPlan& plan, ParallelScan& scan) {
    size_t threads = std::max<size_t>(plan.threads, 1);
    uint64_t per_round = threads * std::max<uint64_t>(plan.range_bytes, 1);
    // Whole rounds of ranges, so that the threads end together.
    uint64_t count = threads * std::max<uint64_t>(1, (size + per_round - 1) / per_round);
    // Every nominal range at least a byte long: their starts must differ.
    count = std::min(count, std::max<uint64_t>(size, 1));
    std::vector<RangeScan> ranges(count);
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
