#include "gate/line_shapes.h"

#include <algorithm>
#include <cstring>

#include "rules/case_fold.h"
#include "text/file_reader.h"

std::vector<LineRange> join_ranges(std::vector<LineRange> ranges) {
    std::sort(ranges.begin(), ranges.end(),
              [](const LineRange& a, const LineRange& b) { return a.first < b.first; });
    std::vector<LineRange> joined;
    for (const LineRange& range : ranges) {
        if (!joined.empty() && range.first <= joined.back().last + 1)
            joined.back().last = std::max(joined.back().last, range.last);
        else
            joined.push_back(range);
    }
    return joined;
}

namespace {

bool blank_byte(char byte) {
    return byte == ' ' || byte == '\t';
}

bool starts_with_mark(std::string_view mark, std::string_view text, bool fold) {
    size_t at = 0;
    for (char wanted : mark) {
        if (wanted == ' ') {
            while (at < text.size() && blank_byte(text[at]))
                ++at;
            continue;
        }
        if (at == text.size() || folded_if(fold, static_cast<uint8_t>(text[at])) !=
                                     folded_if(fold, static_cast<uint8_t>(wanted)))
            return false;
        ++at;
    }
    return true;
}

// The bytes of a line kept from its first non-blank one, to compare with the
// aside marks and look for a comment's end in.
constexpr size_t kAsideBytes = 4096;

}  // namespace

const AsideMark* starts_aside(const AsideMarks& asides, std::string_view text) {
    for (const AsideMark& mark : asides.marks) {
        if (!mark.text.empty() && starts_with_mark(mark.text, text, asides.fold))
            return &mark;
    }
    return nullptr;
}

namespace {

// A byte that goes on a command's name (`\makeatletter`'s `@` included).
bool name_byte(char byte) {
    return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || byte == '@';
}

}  // namespace

uint16_t starts_lead(const AsideMarks& asides, std::string_view text) {
    for (size_t i = 0; i < asides.leads.size() && i < UINT16_MAX; ++i) {
        const std::string& lead = asides.leads[i];
        if (lead.empty() || text.size() < lead.size() || !starts_with_mark(lead, text, asides.fold))
            continue;
        if (name_byte(lead.back()) && text.size() > lead.size() && name_byte(text[lead.size()]))
            continue;
        return static_cast<uint16_t>(i + 1);
    }
    return 0;
}

namespace {

constexpr uint64_t kWordHashStart = 14695981039346656037u;
constexpr uint64_t kWordHashStep = 1099511628211u;

bool word_byte(char byte) {
    return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
           (byte >= '0' && byte <= '9') || byte == '_' || byte == '*' || byte == '-';
}

bool letter(char byte) {
    return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z');
}

// Where the reading stands: the line and byte column of the next byte, the
// shape of the line under way, and the word under way at a spot.
struct ShapeReading {
    const std::vector<LineRange>& ranges;
    const std::vector<WordSpot>& spots;
    LineShapes& out;
    const AsideMarks& asides;
    size_t range = 0;
    size_t spot = 0;
    uint64_t line = 1;
    uint64_t column = 1;
    LineShape shape{};
    bool in_word = false;
    uint64_t word = 0;
    std::string head{};  // the line's first bytes from its first non-blank one
    const std::string* comment_end = nullptr;  // of a comment that runs on past the line
};

bool wanted(const ShapeReading& reading) {
    return reading.range < reading.ranges.size() &&
           reading.line >= reading.ranges[reading.range].first;
}

void end_word(ShapeReading& reading) {
    if (!reading.in_word)
        return;
    reading.out.words[reading.spot++] = reading.word;
    reading.in_word = false;
}

// Spots passed by, or on a byte that starts no word, have no word.
void skip_spots(ShapeReading& reading) {
    const std::vector<WordSpot>& spots = reading.spots;
    while (
        reading.spot < spots.size() && !reading.in_word &&
        (spots[reading.spot].line < reading.line ||
         (spots[reading.spot].line == reading.line && spots[reading.spot].column < reading.column)))
        reading.out.words[reading.spot++] = 0;
}

void take_byte(ShapeReading& reading, char byte) {
    skip_spots(reading);
    if (reading.in_word) {
        if (word_byte(byte))
            reading.word = (reading.word ^ static_cast<unsigned char>(byte)) * kWordHashStep;
        else
            end_word(reading);
    }
    const std::vector<WordSpot>& spots = reading.spots;
    if (!reading.in_word && reading.spot < spots.size() &&
        spots[reading.spot].line == reading.line && spots[reading.spot].column == reading.column) {
        if (letter(byte)) {
            reading.in_word = true;
            reading.word = (kWordHashStart ^ static_cast<unsigned char>(byte)) * kWordHashStep;
        } else {
            reading.out.words[reading.spot++] = 0;
        }
    }
    LineShape& shape = reading.shape;
    bool blank = byte == ' ' || byte == '\t' || byte == '\r' || byte == '\f' || byte == '\v';
    if (shape.first_column != 0 || !blank) {
        if (reading.head.size() < kAsideBytes &&
            (!reading.asides.marks.empty() || !reading.asides.leads.empty()))
            reading.head.push_back(byte);
    }
    if (!blank) {
        if (shape.first_column == 0) {
            shape.first_column =
                static_cast<uint32_t>(std::min<uint64_t>(reading.column, UINT32_MAX));
            shape.letter_first = letter(byte);
        }
        shape.end_column =
            static_cast<uint32_t>(std::min<uint64_t>(reading.column + 1, UINT32_MAX));
    } else if (shape.first_column == 0 && shape.indent < UINT32_MAX - 8) {
        shape.indent = byte == '\t' ? (shape.indent / 8 + 1) * 8 : shape.indent + 1;
    }
    ++reading.column;
}

bool holds_end(const ShapeReading& reading, const std::string& end, size_t from) {
    return reading.head.find(end, from) != std::string::npos;
}

// Whether the line is aside, and whether a comment runs on past it: a line
// within one is aside, up to the line its end stands on.
void read_aside(ShapeReading& reading) {
    if (reading.comment_end != nullptr) {
        reading.shape.aside = LineAside::comment;
        if (holds_end(reading, *reading.comment_end, 0))
            reading.comment_end = nullptr;
        return;
    }
    const AsideMark* mark = starts_aside(reading.asides, reading.head);
    if (mark == nullptr)
        return;
    reading.shape.aside = mark->kind;
    if (!mark->end.empty() && !holds_end(reading, mark->end, mark->text.size()))
        reading.comment_end = &mark->end;
}

void end_line(ShapeReading& reading) {
    end_word(reading);
    if (wanted(reading)) {
        if (is_blank(reading.shape))
            reading.shape.indent = 0;
        else
            read_aside(reading);
        if (reading.shape.aside == LineAside::none && !is_blank(reading.shape))
            reading.shape.lead = starts_lead(reading.asides, reading.head);
        reading.out.shapes.push_back(reading.shape);
        if (reading.line == reading.ranges[reading.range].last)
            ++reading.range;
    }
    reading.shape = LineShape{};
    reading.head.clear();
    ++reading.line;
    reading.column = 1;
    skip_spots(reading);
}

// Takes the bytes of a chunk; the lines outside the ranges are only counted.
void take_chunk(ShapeReading& reading, const char* data, size_t size) {
    size_t i = 0;
    while (i < size && reading.range < reading.ranges.size()) {
        if (!wanted(reading)) {
            const void* lf = std::memchr(data + i, '\n', size - i);
            if (lf == nullptr)
                return;
            i = static_cast<size_t>(static_cast<const char*>(lf) - data) + 1;
            ++reading.line;
            reading.comment_end = nullptr;
            continue;
        }
        if (data[i] == '\n')
            end_line(reading);
        else
            take_byte(reading, data[i]);
        ++i;
    }
}

void start_shapes(LineShapes& shapes, const std::vector<LineRange>& ranges, size_t spots) {
    shapes.ranges = ranges;
    shapes.range_start.clear();
    uint64_t total = 0;
    for (const LineRange& range : ranges) {
        shapes.range_start.push_back(total);
        total += range.last - range.first + 1;
    }
    shapes.shapes.clear();
    shapes.shapes.reserve(total);
    shapes.words.assign(spots, 0);
    shapes.end_line = 0;
}

}  // namespace

bool read_line_shapes(const std::string& path, const std::vector<LineRange>& ranges,
                      const std::vector<WordSpot>& spots, LineShapes& shapes,
                      const AsideMarks& asides) {
    start_shapes(shapes, ranges, spots.size());
    FileReader reader;
    if (!open_file_reader(reader, path, 64 * 1024))
        return false;
    ShapeReading reading{ranges, spots, shapes, asides};
    std::string_view chunk;
    ReadStatus status = ReadStatus::end;
    while (reading.range < ranges.size() &&
           (status = read_chunk(reader, chunk)) == ReadStatus::chunk)
        take_chunk(reading, chunk.data(), chunk.size());
    if (reading.range < ranges.size() && status == ReadStatus::error)
        return false;
    if (wanted(reading) && (reading.column > 1 || reading.in_word))
        end_line(reading);
    if (reading.range < ranges.size())
        shapes.end_line = reading.line - 1;
    // The lines past the end of the text are blank.
    uint64_t total = 0;
    for (const LineRange& range : ranges)
        total += range.last - range.first + 1;
    shapes.shapes.resize(total);
    return true;
}

uint64_t word_hash(std::string_view word) {
    if (word.empty())
        return 0;
    uint64_t hash = kWordHashStart;
    for (char byte : word)
        hash = (hash ^ static_cast<unsigned char>(byte)) * kWordHashStep;
    return hash;
}

const LineShape* line_shape(const LineShapes& shapes, uint64_t line) {
    auto after = std::upper_bound(shapes.ranges.begin(), shapes.ranges.end(), line,
                                  [](uint64_t l, const LineRange& r) { return l < r.first; });
    if (after == shapes.ranges.begin())
        return nullptr;
    size_t range = static_cast<size_t>(after - shapes.ranges.begin()) - 1;
    if (line > shapes.ranges[range].last)
        return nullptr;
    return &shapes.shapes[shapes.range_start[range] + (line - shapes.ranges[range].first)];
}
