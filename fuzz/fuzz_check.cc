// The whole check on random lists and files, against the plain reference: the
// first name collision, the names found on each line in every matcher mode, and
// the report byte for byte.
//
// Input: three header bytes, then the open list's bytes, the close list's bytes and
// the checked file's bytes. Header byte 0 picks the read buffer (0xf0 and up: the
// normal size, which costs more to set up; else 1 to 64 bytes); bytes 1 and 2 are
// the two lists' lengths, cut to what is there. Header byte 0 also picks how the
// check on several threads cuts the file, which must give the same report.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "check_support.h"
#include "reference_check.h"

struct FuzzInput {
    size_t buffer_size = 0;
    ParallelPlan plan;
    std::string_view opn_bytes;
    std::string_view cls_bytes;
    std::string_view file_bytes;
};

static std::string_view take_front(std::string_view& rest, size_t length) {
    std::string_view front = rest.substr(0, std::min(length, rest.size()));
    rest.remove_prefix(front.size());
    return front;
}

static FuzzInput split_input(const uint8_t* data, size_t size) {
    FuzzInput input;
    input.buffer_size = data[0] >= 0xf0 ? kReadBufferSize : 1 + data[0] % 64;
    // Ranges of 1 to 32 bytes on 1 to 3 threads (one: the ranges without the
    // cost of starting threads); reads as the one-thread reader's; output
    // blocks large enough for the report's threads or not.
    input.plan = {1 + data[0] % 3u, 1 + data[0] % 32u, input.buffer_size,
                  data[0] % 2 ? size_t{1} << 16 : 256, 2};
    std::string_view rest(reinterpret_cast<const char*>(data) + 3, size - 3);
    input.opn_bytes = take_front(rest, data[1]);
    input.cls_bytes = take_front(rest, data[2]);
    input.file_bytes = rest;
    return input;
}

static void require(bool holds, const char* what) {
    if (holds)
        return;
    std::fprintf(stderr, "mismatch: %s\n", what);
    std::abort();
}

static bool same_collision(const NameCollision& a, const NameCollision& b) {
    return a.place == b.place && a.first == b.first && a.second == b.second;
}

// The matcher takes the file's bytes as the reader hands them out: up to a 0x1A,
// in chunks of the buffer's size.
static void compare_matchers(const TagTable& table, std::string_view file_bytes,
                             size_t chunk_size) {
    std::string_view bytes = file_bytes.substr(0, file_bytes.find('\x1a'));
    std::vector<FoundName> expected = naive_names(table, bytes);
    require(matcher_names(build_tag_matcher(table), bytes, chunk_size) == expected,
            "matcher by the dense table");
    require(matcher_names(build_tag_matcher(table, {.dense_entry_limit = 0}), bytes, chunk_size) ==
                expected,
            "matcher by the trie");
    require(
        matcher_names(build_tag_matcher(table, {.tail_states = 0}), bytes, chunk_size) == expected,
        "matcher with tails");
    TagMatcher narrow = build_tag_matcher(table, {.wide_blocks = false});
    require(matcher_names(narrow, bytes, chunk_size) == expected, "matcher in 16-byte blocks");
    // Skipping judged every few bytes, so that it gives way and comes back often.
    const GiveWayRule often{
        .tally_bytes = 1 + chunk_size % 16, .shortest = 1 + chunk_size % 7, .longest = 64};
    require(
        matcher_names(build_tag_matcher(table, {.give_way = often}), bytes, chunk_size) == expected,
        "matcher giving way often");
    require(matcher_names(build_tag_matcher(table, {.dense_entry_limit = 0, .give_way = often}),
                          bytes, chunk_size) == expected,
            "matcher by the trie giving way often");
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3)
        return 0;
    FuzzInput input = split_input(data, size);
    std::vector<std::string> opn_tag = reference_lines(input.opn_bytes);
    std::vector<std::string> cls_tag = reference_lines(input.cls_bytes);
    if (opn_tag.empty() || opn_tag.size() != cls_tag.size())
        return 0;
    NameCollision collision = reference_first_collision(opn_tag, cls_tag);
    require(same_collision(find_first_collision(opn_tag, cls_tag), collision), "first collision");
    if (collision.place != CollisionPlace::none)
        return 0;

    compare_matchers(make_tag_table(opn_tag, cls_tag), input.file_bytes, input.buffer_size);
    static ScratchFile file;
    fill_scratch_file(file, input.file_bytes);
    std::string report = reference_report(opn_tag, cls_tag, reference_lines(input.file_bytes));
    require(check_in_process(opn_tag, cls_tag, file.path, input.buffer_size) == report, "report");
    require(check_in_parallel_in_process(opn_tag, cls_tag, file.path, input.plan) == report,
            "report on several threads");
    return 0;
}
