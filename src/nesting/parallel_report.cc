#include "nesting/parallel_report.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include "nesting/report_lines.h"
#include "nesting/thread_group.h"

// The occurrences of one block of a range's list.
struct FormatPiece {
    const RangeScan* range;
    size_t block;
    uint64_t count;
};

struct OutputBlock {
    std::unique_ptr<char[]> bytes;
    size_t size = 0;
    bool ends_piece = false;
};

// What one formatting thread works with, all taken before anything is written,
// so that nothing is allocated once the threads run. A thread formats its
// pieces in file order and the writer takes them in file order, so its blocks
// wait in one queue.
struct FormatKit {
    StructureWriter writer;
    std::vector<std::unique_ptr<char[]>> spare;
    std::vector<OutputBlock> queue;  // a ring, as many places as blocks
    size_t queue_front = 0;
    size_t queued = 0;
};

struct FormatWork {
    const ParallelPlan& plan;
    std::vector<FormatPiece> pieces;
    std::vector<FormatKit> kits{};
    uint64_t room_needed = 0;  // before each line: the longest line and the spare
    std::atomic<size_t> next_piece{0};
    std::atomic<size_t> next_kit{0};
    std::mutex mutex{};
    std::condition_variable changed{};
    std::vector<size_t> piece_kit{};  // which kit formats a piece, once known
    bool stopped = false;             // a write failed: the threads stop
};

constexpr size_t kNoKit = SIZE_MAX;

static std::vector<FormatPiece> cut_into_pieces(const ParallelScan& scan) {
    std::vector<FormatPiece> pieces;
    for (const RangeScan& range : scan.ranges) {
        const std::vector<BlockStart>& starts = range.block_starts;
        for (size_t block = 0; block < starts.size(); ++block) {
            uint64_t end =
                block + 1 < starts.size() ? starts[block + 1].count : range.occurrences.count;
            pieces.push_back({&range, block, end - starts[block].count});
        }
    }
    return pieces;
}

// Reads a piece's occurrences from the start of its block.
static OccurrenceCursor cursor_at(const FormatPiece& piece) {
    const RangeScan& range = *piece.range;
    const BlockStart& start = range.block_starts[piece.block];
    OccurrenceCursor cursor = occurrence_cursor(range.lines_before + start.last_line,
                                                depth_after(start.before, range.start_depth));
    cursor.block = piece.block - 1;  // next_occurrence moves on to piece.block
    return cursor;
}

// Hands the block in `out` to the writer and takes a spare one, waiting for the
// writer to give one back when there is none. False once the writer stopped.
static bool pass_block(FormatWork& work, size_t kit, size_t piece, bool ends_piece,
                       OutputBuffer& out) {
    std::unique_lock<std::mutex> lock(work.mutex);
    FormatKit& own = work.kits[kit];
    size_t place = (own.queue_front + own.queued++) % own.queue.size();
    own.queue[place] = {std::move(out.data), out.size, ends_piece};
    work.piece_kit[piece] = kit;
    work.changed.notify_all();
    std::vector<std::unique_ptr<char[]>>& spare = own.spare;
    work.changed.wait(lock, [&] { return !spare.empty() || work.stopped; });
    if (work.stopped)
        return false;
    out.data = std::move(spare.back());
    spare.pop_back();
    out.size = 0;
    return true;
}

static void format_pieces(FormatWork& work) {
    size_t kit = work.next_kit++;
    StructureWriter& writer = work.kits[kit].writer;
    OutputBuffer out;
    {
        std::lock_guard<std::mutex> lock(work.mutex);
        open_output(out, -1, std::move(work.kits[kit].spare.back()), work.plan.output_block_bytes);
        work.kits[kit].spare.pop_back();
    }
    for (size_t index; (index = work.next_piece++) < work.pieces.size();) {
        const FormatPiece& piece = work.pieces[index];
        OccurrenceCursor cursor = cursor_at(piece);
        TagOccurrence occurrence;
        for (uint64_t i = 0; i < piece.count; ++i) {
            if (out.capacity - out.size < work.room_needed &&
                !pass_block(work, kit, index, false, out))
                return;
            next_occurrence(piece.range->occurrences, cursor, occurrence);
            put_occurrence(out, writer, occurrence);
        }
        if (!pass_block(work, kit, index, true, out))
            return;
    }
}

// False when a write failed: the formatting threads are told to stop.
static bool write_pieces(FormatWork& work, OutputBuffer& out) {
    for (size_t index = 0; index < work.pieces.size(); ++index) {
        for (bool ends_piece = false; !ends_piece;) {
            OutputBlock block;
            FormatKit* kit;
            {
                std::unique_lock<std::mutex> lock(work.mutex);
                work.changed.wait(lock, [&] {
                    size_t owner = work.piece_kit[index];
                    return owner != kNoKit && work.kits[owner].queued > 0;
                });
                kit = &work.kits[work.piece_kit[index]];
                block = std::move(kit->queue[kit->queue_front]);
                kit->queue_front = (kit->queue_front + 1) % kit->queue.size();
                --kit->queued;
            }
            bool written = write_through(out, std::string_view(block.bytes.get(), block.size));
            ends_piece = block.ends_piece;
            std::lock_guard<std::mutex> lock(work.mutex);
            kit->spare.push_back(std::move(block.bytes));
            work.stopped = !written;
            work.changed.notify_all();
            if (!written)
                return false;
        }
    }
    return true;
}

// Every occurrence on the calling thread, for when no thread can be started or
// a line could outgrow a block.
static void format_on_one_thread(const FormatWork& work, const TagTable& table, OutputBuffer& out) {
    StructureWriter writer = make_structure_writer(table);
    for (const FormatPiece& piece : work.pieces) {
        OccurrenceCursor cursor = cursor_at(piece);
        TagOccurrence occurrence;
        for (uint64_t i = 0; i < piece.count; ++i) {
            next_occurrence(piece.range->occurrences, cursor, occurrence);
            if (!put_occurrence(out, writer, occurrence))
                return;
        }
    }
}

static void take_kits(FormatWork& work, const TagTable& table, size_t threads) {
    work.kits.resize(threads);
    for (FormatKit& kit : work.kits) {
        size_t blocks = std::max<size_t>(work.plan.output_blocks, 2);
        kit.writer = make_structure_writer(table);
        kit.queue.resize(blocks);
        kit.spare.reserve(blocks);
        while (kit.spare.size() < blocks)
            kit.spare.push_back(
                std::make_unique_for_overwrite<char[]>(work.plan.output_block_bytes));
    }
}

bool print_report_in_parallel(const ParallelScan& scan, const TagTable& table,
                              const ParallelPlan& plan, OutputBuffer& out) {
    FormatWork work{plan, cut_into_pieces(scan)};
    work.room_needed = longest_structure_line(table, scan.deepest) + kCopySpare;
    work.piece_kit.assign(work.pieces.size(), kNoKit);
    std::vector<std::thread> threads;
    if (plan.threads > 1 && work.room_needed <= plan.output_block_bytes / 4 &&
        work.pieces.size() > 1) {
        take_kits(work, table, plan.threads);
        threads = start_threads(plan.threads, [&work] { format_pieces(work); });
    }
    put_bytes(out, "***** TAG STRUCTURE *****\n");
    if (threads.empty()) {
        format_on_one_thread(work, table, out);
    } else {
        write_pieces(work, out);
        join_threads(threads);
    }
    return put_numbers_and_verdict(out, scan.totals, table);
}
