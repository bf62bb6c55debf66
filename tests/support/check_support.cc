#include "check_support.h"

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

#include "report/parallel_report.h"
#include "report/print_report.h"
#include "scan/scan_file.h"
#include "text/line_reader.h"

// A memory file, opened again by its /proc path: no disk, nothing to remove.
ScratchFile::ScratchFile() {
    fd = ::memfd_create("tamberlox_scratch", MFD_CLOEXEC);
    if (fd < 0)
        throw std::runtime_error("cannot create a memory file");
    path = "/proc/self/fd/" + std::to_string(fd);
}

ScratchFile::~ScratchFile() {
    ::close(fd);
}

void fill_scratch_file(const ScratchFile& file, std::string_view bytes) {
    if (::ftruncate(file.fd, 0) != 0)
        throw std::runtime_error("cannot empty " + file.path);
    off_t offset = 0;
    while (!bytes.empty()) {
        ssize_t written = ::pwrite(file.fd, bytes.data(), bytes.size(), offset);
        if (written <= 0)
            throw std::runtime_error("cannot write " + file.path);
        bytes.remove_prefix(static_cast<size_t>(written));
        offset += written;
    }
}

std::string scratch_file_bytes(const ScratchFile& file) {
    std::string bytes;
    char buffer[4096];
    ssize_t got;
    while ((got = ::pread(file.fd, buffer, sizeof buffer, static_cast<off_t>(bytes.size()))) > 0)
        bytes.append(buffer, static_cast<size_t>(got));
    return bytes;
}

bool operator==(const NameCollision& a, const NameCollision& b) {
    return a.place == b.place && a.first == b.first && a.second == b.second;
}

void PrintTo(const NameCollision& collision, std::ostream* out) {
    const char* places[] = {"none", "in_opn", "in_cls", "across"};
    *out << places[static_cast<int>(collision.place)] << " (" << collision.first << ", "
         << collision.second << ")";
}

TagTable make_tag_table(const std::vector<std::string>& opn_tag,
                        const std::vector<std::string>& cls_tag) {
    return TagTable{opn_tag.size(), opn_tag, cls_tag};
}

std::vector<std::string> read_list_lines_in_process(const std::string& path, size_t buffer_size) {
    std::string bytes;
    if (read_whole_file(path, bytes, buffer_size) != WholeFileStatus::read)
        throw std::runtime_error("cannot read " + path);
    return split_lines(bytes);
}

std::string check_in_process(const std::vector<std::string>& opn_tag,
                             const std::vector<std::string>& cls_tag, const std::string& path,
                             size_t buffer_size) {
    const TagTable table = make_tag_table(opn_tag, cls_tag);
    FileReader reader;
    if (!open_file_reader(reader, path, buffer_size))
        throw std::runtime_error("cannot open " + path);
    const ScanResult result = scan_file(reader, build_tag_matcher(table), table);
    if (result.read_error)
        throw std::runtime_error("cannot read " + path);
    OutputBuffer out;
    // A small buffer makes the report cross many flushes.
    open_output(out, -1, 61);
    print_report(result, table, out);
    return out.collected;
}

std::string check_in_parallel_in_process(const std::vector<std::string>& opn_tag,
                                         const std::vector<std::string>& cls_tag,
                                         const std::string& path, const ParallelPlan& plan) {
    const TagTable table = make_tag_table(opn_tag, cls_tag);
    FileReader reader;
    if (!open_file_reader(reader, path))
        throw std::runtime_error("cannot open " + path);
    struct stat status;
    if (::fstat(reader.fd, &status) != 0)
        throw std::runtime_error("cannot stat " + path);
    ParallelScan scan;
    scan_in_parallel(reader.fd, static_cast<uint64_t>(status.st_size), build_tag_matcher(table),
                     table, plan, scan);
    if (scan.read_error)
        throw std::runtime_error("cannot read " + path);
    OutputBuffer out;
    open_output(out, -1, 61);
    print_report_in_parallel(scan, table, plan, out);
    return out.collected;
}

std::vector<FoundName> naive_names(const TagTable& table, std::string_view bytes) {
    std::vector<FoundName> found;
    uint64_t line = 1;
    uint64_t line_start = 0;
    while (!bytes.empty()) {
        std::string_view text = bytes.substr(0, bytes.find('\n'));
        size_t line_length = std::min(bytes.size(), text.size() + 1);
        bytes.remove_prefix(line_length);
        text = text.substr(0, text.find('\r'));
        for (size_t p = 0; p < text.size(); ++p) {
            for (size_t id = 0; id < 2 * table.n; ++id) {
                if (text.substr(p).starts_with(name_of(table, id))) {
                    found.push_back({static_cast<uint32_t>(id), line, line_start + p});
                }
            }
        }
        ++line;
        line_start += line_length;
    }
    return found;
}

PlainPairs plain_pairs(const std::vector<FoundName>& found, size_t pairs) {
    PlainPairs plain;
    std::vector<std::vector<size_t>> open(pairs);
    for (size_t i = 0; i < found.size(); ++i) {
        std::vector<size_t>& stack = open[found[i].id >> 1];
        if (found[i].id % 2 == 0) {
            stack.push_back(i);
        } else if (stack.empty()) {
            plain.unmatched_closes.push_back(i);
        } else {
            plain.spans.emplace_back(stack.back(), i);
            stack.pop_back();
        }
    }
    for (const std::vector<size_t>& stack : open)
        plain.unmatched_opens.insert(plain.unmatched_opens.end(), stack.begin(), stack.end());
    std::sort(plain.unmatched_opens.begin(), plain.unmatched_opens.end());
    return plain;
}

bool crosses_a_later_span(const PlainPairs& plain, std::pair<size_t, size_t> span) {
    return std::any_of(plain.spans.begin(), plain.spans.end(), [&](auto other) {
        return span.first < other.first && other.first < span.second && span.second < other.second;
    });
}

ReadStatus read_chunk(BytesSource& source, std::string_view& chunk) {
    if (source.rest.empty())
        return ReadStatus::end;
    chunk = source.rest.substr(0, source.chunk_size);
    source.rest.remove_prefix(chunk.size());
    return ReadStatus::chunk;
}

void take_names(CollectingSink& sink, const FoundBatch& batch) {
    sink.names.insert(sink.names.end(), batch.names.begin(), batch.names.end());
    sink.chunk_offsets.push_back(batch.chunk_offset);
    sink.chunk_sizes.push_back(batch.chunk.size());
}

void end_text(CollectingSink& sink, const TextScan& text) {
    sink.lines_ended = text.line - 1;
    ++sink.ends;
}

std::vector<FoundName> matcher_names(const TagMatcher& matcher, std::string_view bytes,
                                     size_t chunk_size) {
    BytesSource source{bytes, chunk_size};
    CollectingSink sink;
    scan_text(matcher, source, sink);
    return sink.names;
}

std::vector<FoundName> matcher_names_read(const TagMatcher& matcher, const std::string& path,
                                          size_t buffer_size) {
    const size_t past_the_end = 64;
    FileReader reader;
    reader.buffer.reset(new char[buffer_size + past_the_end]);
    std::fill_n(reader.buffer.get(), buffer_size + past_the_end, kEndOfFileByte);
    reader.capacity = buffer_size;
    if (!open_file_reader(reader, path, buffer_size))
        throw std::runtime_error("cannot open " + path);
    CollectingSink sink;
    if (scan_text(matcher, reader, sink) == ReadStatus::error)
        throw std::runtime_error("cannot read " + path);
    return sink.names;
}

size_t random_below(std::mt19937_64& random, size_t bound) {
    return std::uniform_int_distribution<size_t>(0, bound - 1)(random);
}

static char random_byte(std::mt19937_64& random, std::string_view alphabet) {
    return alphabet[random_below(random, alphabet.size())];
}

std::string random_text(std::mt19937_64& random, size_t length, std::string_view alphabet) {
    std::string text(length, '\0');
    for (char& byte : text)
        byte = random_byte(random, alphabet);
    return text;
}

std::string repeat_text(std::string_view piece, size_t times) {
    std::string text;
    text.reserve(piece.size() * times);
    while (times-- > 0) {
        text += piece;
    }
    return text;
}

static std::string fresh_name(std::mt19937_64& random, const NameStyle& style) {
    size_t length =
        style.min_length + random_below(random, style.max_length - style.min_length + 1);
    return random_byte(random, style.first_bytes) +
           random_text(random, length - 1, style.body_bytes);
}

// An earlier name with bytes before it, and sometimes after it.
static std::string name_around(std::mt19937_64& random, const std::vector<std::string>& names,
                               const NameStyle& style) {
    const std::string& inner = names[random_below(random, names.size())];
    std::string name = random_byte(random, style.first_bytes) +
                       random_text(random, random_below(random, 3), style.body_bytes) + inner;
    if (random_below(random, 2) == 0) {
        name += random_text(random, 1 + random_below(random, 3), style.body_bytes);
    }
    return name;
}

static bool prefix_free_with(const std::vector<std::string>& names, std::string_view candidate) {
    for (std::string_view name : names) {
        if (name.starts_with(candidate) || candidate.starts_with(name))
            return false;
    }
    return true;
}

std::vector<std::string> random_prefix_free_names(std::mt19937_64& random, size_t count,
                                                  const NameStyle& style) {
    std::vector<std::string> names;
    for (size_t attempt = 0; attempt < 50 * count && names.size() < count; ++attempt) {
        bool around = !names.empty() && random_below(random, 3) == 0;
        std::string candidate =
            around ? name_around(random, names, style) : fresh_name(random, style);
        if (prefix_free_with(names, candidate))
            names.push_back(std::move(candidate));
    }
    return names;
}

std::string random_text_with_names(std::mt19937_64& random, const std::vector<std::string>& names,
                                   size_t length, std::string_view filler) {
    std::string text;
    while (text.size() < length) {
        const std::string& name = names[random_below(random, names.size())];
        switch (random_below(random, 3)) {
            case 0:
                text += name;
                break;
            case 1:
                text += name.substr(0, random_below(random, name.size() + 1));
                break;
            default:
                text += random_text(random, 1 + random_below(random, 4), filler);
        }
    }
    return text;
}

// Line ends of every kind, the end-of-file byte now and then, NUL bytes.
std::string random_checked_file(std::mt19937_64& random, const std::vector<std::string>& names) {
    std::string bytes;
    size_t lines = random_below(random, 8);
    for (size_t line = 0; line < lines; ++line) {
        size_t length = random_below(random, 4) == 0 ? 200 : random_below(random, 20);
        bytes += random_text_with_names(random, names, length, std::string(" x\0\r", 4));
        const char* ends[] = {"\n", "\r\n", "\r", "\n\n", "\r\r\n"};
        bytes += ends[random_below(random, 5)];
    }
    if (random_below(random, 10) == 0)
        bytes.insert(bytes.begin() + static_cast<ptrdiff_t>(random_below(random, bytes.size() + 1)),
                     '\x1a');
    return bytes;
}

void random_tag_pairs(std::mt19937_64& random, const NameStyle& style,
                      std::vector<std::string>& opn_tag, std::vector<std::string>& cls_tag) {
    std::vector<std::string> names =
        random_prefix_free_names(random, 2 + 2 * random_below(random, 4), style);
    if (names.size() % 2)
        names.pop_back();
    auto middle = names.begin() + static_cast<ptrdiff_t>(names.size() / 2);
    opn_tag.assign(names.begin(), middle);
    cls_tag.assign(middle, names.end());
}
