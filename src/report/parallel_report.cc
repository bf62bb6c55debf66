#include "report/parallel_report.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include "report/report_lines.h"
#include "text/thread_group.h"

namespace {

// The occurrences of a range's list from one piece start to the next.
struct FormatPiece {
    const RangeScan* range;
    size_t start;  // in range->piece_starts
    uint64_t count;
};

struct OutputBlock {
    std::unique_ptr<char[]> bytes;
    size_t size = 0;
    bool ends_piece = false;
};

// What one formatting thread works with, all taken before anything is written,
// so that nothing is allocated once the threads run. A thread formats its
// pieces in file order and they are written in file order, so its blocks wait
// in one queue. Aligned to cache lines: each thread writes to its own.
struct alignas(64) FormatKit {
    StructureWriter writer;
    std::vector<std::unique_ptr<char[]>> spare;
    std::vector<OutputBlock> queue;  // a ring, as many places as blocks
    size_t queue_front = 0;
    size_t queued = 0;
    // Waking a thread costs a context switch: it is woken only while it waits,
    // and once half its blocks are back.
    bool waiting = false;
    std::condition_variable spare_returned;
};

// There is no writing thread: whichever thread hands over a block and finds
// nobody writing writes all blocks that are due, in file order, so the thread
// formatting the piece due next writes its own blocks as it goes.
struct FormatWork {
    const ParallelPlan& plan;
    std::vector<FormatPiece> pieces;
    OutputBuffer& out;
    std::unique_ptr<FormatKit[]> kits{};
    size_t kit_count = 0;
    uint64_t room_needed = 0;  // before each line: the longest line and the spare
    std::atomic<size_t> next_piece{0};
    std::atomic<size_t> next_kit{0};
    std::mutex mutex{};
    std::vector<size_t> piece_kit{};  // which kit formats a piece, once known
    size_t piece_due = 0;             // the next piece to write
    bool writing = false;
    bool stopped = false;  // a write failed: the threads stop
};

constexpr size_t kNoKit = SIZE_MAX;
// Where lines may be longer than this share of a block (nesting some 2,000
// deep), the report is mostly blanks and its writing, which takes one thread
// anyway, costs more than formatting it: it is formatted on one thread.
constexpr uint64_t kLinesToABlock = 16;

std::vector<FormatPiece> cut_into_pieces(const ParallelScan& scan) {
    std::vector<FormatPiece> pieces;
    for (const RangeScan& range : scan.ranges) {
        const std::vector<PieceStart>& starts = range.piece_starts;
        for (size_t start = 0; start < starts.size(); ++start) {
            uint64_t end =
                start + 1 < starts.size() ? starts[start + 1].mark.count : range.occurrences.count;
            pieces.push_back({&range, start, end - starts[start].mark.count});
        }
    }
    return pieces;
}

OccurrenceCursor cursor_at(const FormatPiece& piece) {
    const RangeScan& range = *piece.range;
    const PieceStart& start = range.piece_starts[piece.start];
    return cursor_from_mark(range.occurrences, start.mark, range.lines_before,
                            depth_after(start.before, range.start_depth));
}

// A thread that waits for blocks is woken once half of them are back.
size_t spares_to_wake(const FormatKit& kit) {
    return std::max<size_t>(2, kit.queue.size() / 2);
}

void stop_all(FormatWork& work) {
    work.stopped = true;
    for (size_t kit = 0; kit < work.kit_count; ++kit)
        work.kits[kit].spare_returned.notify_one();
}

// Writes the blocks that are due, the lock released while writing.
void write_due_blocks(FormatWork& work, std::unique_lock<std::mutex>& lock) {
    while (!work.stopped && work.piece_due < work.pieces.size()) {
        size_t owner = work.piece_kit[work.piece_due];
        if (owner == kNoKit || work.kits[owner].queued == 0)
            return;
        FormatKit& kit = work.kits[owner];
        OutputBlock block = std::move(kit.queue[kit.queue_front]);
        kit.queue_front = (kit.queue_front + 1) % kit.queue.size();
        --kit.queued;
        lock.unlock();
        bool written = write_through(work.out, std::string_view(block.bytes.get(), block.size));
        lock.lock();
        kit.spare.push_back(std::move(block.bytes));
        if (kit.waiting && kit.spare.size() >= spares_to_wake(kit))
            kit.spare_returned.notify_one();
        if (!written)
            stop_all(work);
        work.piece_due += block.ends_piece;
    }
}

void hand_over(FormatWork& work, size_t kit, size_t piece, bool ends_piece, OutputBuffer& block) {
    std::unique_lock<std::mutex> lock(work.mutex);
    FormatKit& own = work.kits[kit];
    size_t place = (own.queue_front + own.queued++) % own.queue.size();
    own.queue[place] = {std::move(block.data), block.size, ends_piece};
    work.piece_kit[piece] = kit;
    if (!work.writing) {
        work.writing = true;
        write_due_blocks(work, lock);
        work.writing = false;
    }
}

// A spare block to format into; false once a write has failed. All the kit's
// blocks come back in the end, so waiting for two never waits for ever.
bool take_spare(FormatWork& work, size_t kit, OutputBuffer& block) {
    std::unique_lock<std::mutex> lock(work.mutex);
    FormatKit& own = work.kits[kit];
    if (own.spare.empty()) {
        own.waiting = true;
        own.spare_returned.wait(
            lock, [&] { return own.spare.size() >= spares_to_wake(own) || work.stopped; });
        own.waiting = false;
    }
    if (work.stopped)
        return false;
    open_output(block, -1, std::move(own.spare.back()), work.plan.output_block_bytes);
    own.spare.pop_back();
    return true;
}

void format_pieces(FormatWork& work) {
    size_t kit = work.next_kit++;
    StructureWriter& writer = work.kits[kit].writer;
    OutputBuffer block;
    for (size_t index; (index = work.next_piece++) < work.pieces.size();) {
        const FormatPiece& piece = work.pieces[index];
        OccurrenceCursor cursor = cursor_at(piece);
        TagOccurrence occurrence;
        if (!take_spare(work, kit, block))
            return;
        for (uint64_t i = 0; i < piece.count; ++i) {
            if (block.capacity - block.size < work.room_needed) {
                hand_over(work, kit, index, false, block);
                if (!take_spare(work, kit, block))
                    return;
            }
            next_occurrence(piece.range->occurrences, cursor, occurrence);
            put_occurrence(block, writer, occurrence);
        }
        hand_over(work, kit, index, true, block);
    }
}

// Every occurrence on the calling thread, for when a line could outgrow a
// block or there is too little to share.
void format_on_one_thread(const FormatWork& work, const TagTable& table, OutputBuffer& out) {
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

// The scan's read buffers go first: their pages are mapped already.
void take_kits(FormatWork& work, const TagTable& table, size_t threads,
               std::vector<std::unique_ptr<char[]>>& read_buffers) {
    if (work.plan.read_bytes < work.plan.output_block_bytes)
        read_buffers.clear();
    work.kits = std::make_unique<FormatKit[]>(threads);
    work.kit_count = threads;
    for (size_t i = 0; i < threads; ++i) {
        FormatKit& kit = work.kits[i];
        size_t blocks = std::max<size_t>(work.plan.output_blocks, 2);
        kit.writer = make_structure_writer(table);
        kit.queue.resize(blocks);
        kit.spare.reserve(blocks);
        while (kit.spare.size() < blocks) {
            if (read_buffers.empty()) {
                kit.spare.push_back(
                    std::make_unique_for_overwrite<char[]>(work.plan.output_block_bytes));
            } else {
                kit.spare.push_back(std::move(read_buffers.back()));
                read_buffers.pop_back();
            }
        }
    }
}

}  // namespace

bool print_report_in_parallel(ParallelScan& scan, const TagTable& table, const ParallelPlan& plan,
                              OutputBuffer& out) {
    FormatWork work{plan, cut_into_pieces(scan), out};
    work.room_needed = longest_structure_line(table, scan.deepest) + kCopySpare;
    work.piece_kit.assign(work.pieces.size(), kNoKit);
    put_bytes(out, "***** TAG STRUCTURE *****\n");
    std::vector<std::thread> threads;
    if (plan.threads > 1 && work.room_needed <= plan.output_block_bytes / kLinesToABlock &&
        work.pieces.size() > 1) {
        take_kits(work, table, plan.threads, scan.read_buffers);
        threads = start_threads(plan.threads - 1, [&work] { format_pieces(work); });
    }
    if (work.kit_count == 0) {
        format_on_one_thread(work, table, out);
    } else {
        format_pieces(work);
        join_threads(threads);
    }
    return put_numbers_and_verdict(out, scan.totals, table);
}
