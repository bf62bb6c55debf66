// The check on several threads against the check on one thread, byte for byte,
// where the report's line length estimate and the end-of-file byte meet their
// limits: plans small enough that a few hundred kilobytes cross them.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "check_support.h"

namespace {

using Names = std::vector<std::string>;

struct EdgeCase {
    const char* what;
    Names opn_tag;
    Names cls_tag;
    std::string bytes;
    // threads, range_bytes, read_bytes, output_block_bytes, output_blocks
    ParallelPlan plan;
    // Where the threads' timing decides what is scanned, a fault may show in
    // some runs only.
    int runs = 1;
};

void expect_one_thread_report(const EdgeCase& c) {
    ScratchFile file;
    fill_scratch_file(file, c.bytes);
    std::string one_thread = check_in_process(c.opn_tag, c.cls_tag, file.path);
    for (int run = 0; run < c.runs; ++run) {
        std::string parallel =
            check_in_parallel_in_process(c.opn_tag, c.cls_tag, file.path, c.plan);
        if (parallel == one_thread)
            continue;
        auto differ =
            std::mismatch(parallel.begin(), parallel.end(), one_thread.begin(), one_thread.end());
        size_t at = static_cast<size_t>(differ.first - parallel.begin());
        ADD_FAILURE() << c.what << ", run " << run << ": " << parallel.size() << " bytes for "
                      << one_thread.size() << ", from byte " << at << ":\n"
                      << parallel.substr(at, 80) << "\n---\n"
                      << one_thread.substr(at, 80);
        return;
    }
}

// Lines of `one` or `other`, drawn at random: lines of one length would leave
// each block the same room at its end, every time.
std::string lines_of_pairs(size_t count, const std::string& one, const std::string& other) {
    std::mt19937_64 random(count);
    std::string text;
    for (size_t line = 0; line < count; ++line)
        text += (random_below(random, 2) ? one : other) + "\n";
    return text;
}

// Closes at level 0, then nesting 40 deep and back: the walk goes 10 levels
// deeper than its net change. Every line at the deepest levels must still fit
// a block. It must lie within one range for that range to set the depth the
// report's lines are sized by.
std::string deep_after_closes_at_level_zero() {
    return repeat_text("}\n", 10) + repeat_text("{\n", 40) +
           lines_of_pairs(1000, "{}", "<abcdefgh></abcdefgh>") + repeat_text("}\n", 40);
}

// The first range ends in a 0x1A after many names; the ranges behind it hold
// short lines of names that another thread scans, at once, before the 0x1A is
// read. They are none of the text.
std::string names_behind_the_end_byte(size_t range_bytes, size_t ranges_behind) {
    std::string text = repeat_text("{}{}{}{}{}{}{}\n", (range_bytes - 5) / 15);
    text.resize(range_bytes - 5, '\n');
    text += "{\x1a}\n";
    std::string behind = repeat_text("{\n}}\n[[\n", range_bytes * ranges_behind / 8 + 1);
    behind.resize(range_bytes * ranges_behind);
    return text + behind;
}

TEST(ParallelEdges, ReportsMatchTheOneThreadReport) {
    const Names braces{"{", "[["};
    const Names closes{"}", "]]"};
    const Names long_and_short_opn{"{", "<abcdefgh>"};
    const Names long_and_short_cls{"}", "</abcdefgh>"};
    const std::string one_range_behind = names_behind_the_end_byte(1 << 18, 1);
    const std::string three_ranges_behind = names_behind_the_end_byte(1 << 17, 3);
    const EdgeCase cases[] = {
        // About 13 KB of deep nesting, then 16 KB at level 0, in two ranges.
        {"closes at level 0, then deep, in the first range",
         long_and_short_opn,
         long_and_short_cls,
         deep_after_closes_at_level_zero() + lines_of_pairs(4000, "{}", "[[]]"),
         {2, 1 << 15, 4096, 4096, 2}},
        // The same behind 16 KB at level 0, in three ranges.
        {"closes at level 0, then deep, in a middle range",
         long_and_short_opn,
         long_and_short_cls,
         lines_of_pairs(4000, "{}", "[[]]") + deep_after_closes_at_level_zero() +
             lines_of_pairs(4000, "{}", "[[]]"),
         {3, 1 << 14, 4096, 4096, 2}},
        // Line numbers of six digits on short lines at the deepest level: the
        // longest line allows for the line number's digits.
        {"120,000 lines of one-byte names",
         braces,
         closes,
         lines_of_pairs(120000, "{}", "[[]]"),
         {2, 1 << 16, 4096, 4096, 2}},
        {"120,000 lines of five-byte names",
         {"<abc>", "<xy>"},
         {"</ab>", "</y>"},
         lines_of_pairs(120000, "<abc></ab>", "<xy></y>"),
         {2, 1 << 18, 1 << 16, 1 << 14, 4}},
        {"names behind the 0x1A",
         braces,
         closes,
         one_range_behind,
         {2, 1 << 18, 4096, 1 << 16, 2},
         20},
        {"names behind the 0x1A, in three ranges",
         braces,
         closes,
         three_ranges_behind,
         {2, 1 << 17, 2048, 1 << 16, 2},
         20},
    };
    for (const EdgeCase& c : cases)
        expect_one_thread_report(c);
}

// A range that starts deep, and threads that have one output block each.
TEST(ParallelEdges, DeepRangesAndSingleBlocksGiveTheOneThreadReport) {
    const EdgeCase cases[] = {
        // The second range starts 1,000 deep and goes 1,000 deeper: the lines
        // are sized by the depth it starts at and its own peak together.
        {"a range going deeper from deep",
         {"{"},
         {"}"},
         repeat_text("{\n", 2000) + repeat_text("}\n", 2000),
         {2, 2000, 4096, 1 << 18, 2}},
        // One output block a thread: a block is due while its thread formats.
        {"one output block a thread",
         {"{", "<abcdefgh>"},
         {"}", "</abcdefgh>"},
         lines_of_pairs(4000, "{}", "<abcdefgh></abcdefgh>"),
         {2, 1 << 14, 4096, 4096, 1}},
    };
    for (const EdgeCase& c : cases)
        expect_one_thread_report(c);
}

}  // namespace
