#pragma once

// Helpers shared by the unit tests and the fuzz targets: random prefix-free name
// sets, the naive name search, and the checker's own pipeline run inside the
// process on given bytes.

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "match/tag_matcher.h"
#include "scan/parallel_scan.h"
#include "scan/scan_loop.h"
#include "tags/name_collision.h"
#include "tags/tag_table.h"
#include "text/file_reader.h"

bool operator==(const NameCollision& a, const NameCollision& b);
void PrintTo(const NameCollision& collision, std::ostream* out);

// A file holding given bytes, gone when it goes out of scope.
struct ScratchFile {
    std::string path;
    int fd = -1;
    ScratchFile();
    ~ScratchFile();
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
};

// Replaces the whole content of the file.
void fill_scratch_file(const ScratchFile& file, std::string_view bytes);

std::string scratch_file_bytes(const ScratchFile& file);

// The names as a loaded table.
TagTable make_tag_table(const std::vector<std::string>& opn_tag,
                        const std::vector<std::string>& cls_tag);

// The lines of a list file as the list loader reads them, the file taken in
// chunks of `buffer_size` bytes.
std::vector<std::string> read_list_lines_in_process(const std::string& path, size_t buffer_size);

// The matcher, scan_file and print_report on the file, read in chunks of
// `buffer_size` bytes, as a check run does after loading the lists; returns the
// report's bytes.
std::string check_in_process(const std::vector<std::string>& opn_tag,
                             const std::vector<std::string>& cls_tag, const std::string& path,
                             size_t buffer_size = kReadBufferSize);

// The same check on several threads, the file cut as `plan` says; returns the
// report's bytes.
std::string check_in_parallel_in_process(const std::vector<std::string>& opn_tag,
                                         const std::vector<std::string>& cls_tag,
                                         const std::string& path, const ParallelPlan& plan);

// Every name matching at every position of every line of `bytes`, by line, then
// by position, with its id (2 * pair for an open name, 2 * pair + 1 for a close
// name). Lines end at LF; a CR ends a line's text.
std::vector<FoundName> naive_names(const TagTable& table, std::string_view bytes);

// Each pair matched on its own by brute force, a close with the latest unmatched
// open of its pair: indexes into the names, spans in order of their closes.
struct PlainPairs {
    std::vector<size_t> unmatched_closes;
    std::vector<size_t> unmatched_opens;           // in file order
    std::vector<std::pair<size_t, size_t>> spans;  // (open, close)
};

PlainPairs plain_pairs(const std::vector<FoundName>& found, size_t pairs);

// Whether the span crosses a span that opens inside it and closes after it.
bool crosses_a_later_span(const PlainPairs& plain, std::pair<size_t, size_t> span);

// A text held in memory, handed out in chunks of `chunk_size` bytes.
struct BytesSource {
    std::string_view rest;
    size_t chunk_size;
};

ReadStatus read_chunk(BytesSource& source, std::string_view& chunk);

// A sink that keeps what it is given.
struct CollectingSink {
    std::vector<FoundName> names;
    std::vector<uint64_t> chunk_offsets;  // one a batch
    std::vector<size_t> chunk_sizes;
    uint64_t lines_ended = 0;
    size_t ends = 0;  // calls of end_text
};

void take_names(CollectingSink& sink, const FoundBatch& batch);
void end_text(CollectingSink& sink, const TextScan& text);

// What find_names hands out for `bytes` taken in chunks of `chunk_size`, over as
// many batches as it takes.
std::vector<FoundName> matcher_names(const TagMatcher& matcher, std::string_view bytes,
                                     size_t chunk_size);

// The same through a FileReader reading the file at `path` with a buffer of
// `buffer_size`, so that each chunk lies in the reader's own buffer: behind a
// short chunk the bytes of earlier reads, past the buffer's end 0x1A bytes,
// which no text handed out holds.
std::vector<FoundName> matcher_names_read(const TagMatcher& matcher, const std::string& path,
                                          size_t buffer_size);

// What random names are made of: a first byte from `first_bytes`, the others from
// `body_bytes`, `min_length` to `max_length` bytes.
struct NameStyle {
    std::string first_bytes;
    std::string body_bytes;
    size_t max_length = 4;
    size_t min_length = 1;
};

// Up to `count` distinct names, none a prefix of another. Some are built around
// earlier names, so that one name can hold another inside it or end with it.
std::vector<std::string> random_prefix_free_names(std::mt19937_64& random, size_t count,
                                                  const NameStyle& style);

// About `length` bytes mixing whole names, names cut short and bytes of `filler`.
std::string random_text_with_names(std::mt19937_64& random, const std::vector<std::string>& names,
                                   size_t length, std::string_view filler);

std::string repeat_text(std::string_view piece, size_t times);

// Bytes of `length` drawn from `alphabet`.
std::string random_text(std::mt19937_64& random, size_t length, std::string_view alphabet);

size_t random_below(std::mt19937_64& random, size_t bound);

// A few random lines of names, names cut short and filler with NUL and CR bytes,
// line ends of every kind, now and then an end-of-file byte.
std::string random_checked_file(std::mt19937_64& random, const std::vector<std::string>& names);

// One to four pairs of random names in `style`, prefix-free together.
void random_tag_pairs(std::mt19937_64& random, const NameStyle& style,
                      std::vector<std::string>& opn_tag, std::vector<std::string>& cls_tag);
