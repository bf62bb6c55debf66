#include "gate/window_names.h"

#include <unistd.h>

namespace {

// The file's chunks until the names have passed the last line wanted.
struct WindowSource {
    FileReader& reader;
    const bool& done;
};

ReadStatus read_chunk(WindowSource& source, std::string_view& chunk) {
    return source.done ? ReadStatus::end : read_chunk(source.reader, chunk);
}

struct WindowSink {
    const TagTable& table;
    const std::vector<LineRange>& ranges;
    size_t most;
    std::vector<WindowName>& names;
    size_t range = 0;
    bool too_many = false;
    bool done = false;  // a name came after the last range
    LineStarts lines{};
};

void keep_name(WindowSink& sink, const FoundName& name, uint64_t column) {
    while (sink.range < sink.ranges.size() && sink.ranges[sink.range].last < name.line)
        ++sink.range;
    sink.done = sink.range == sink.ranges.size();
    if (sink.done || name.line < sink.ranges[sink.range].first)
        return;
    if (sink.names.size() == sink.most) {
        sink.too_many = true;
        return;
    }
    uint32_t pair = name.id >> 1;
    bool is_close = (name.id & 1) != 0;
    const std::string& listed = is_close ? sink.table.cls_tag[pair] : sink.table.opn_tag[pair];
    sink.names.push_back(
        {{name.line, column}, pair, static_cast<uint32_t>(listed.size()), is_close});
}

void take_names(WindowSink& sink, const FoundBatch& batch) {
    for (size_t i = 0; i < batch.names.size(); ++i) {
        const FoundName& name = batch.names[i];
        uint64_t column =
            batch.columns != nullptr ? (*batch.columns)[i] : name_column(sink.lines, batch, name);
        keep_name(sink, name, column);
    }
    if (batch.columns == nullptr && batch.chunk_done &&
        sweep_lines(sink.lines, batch, batch.chunk_offset + batch.chunk.size()))
        sink.lines.line = 0;
}

void end_text(WindowSink&, const TextScan&) {}

// The names on the lines of `ranges`, read from `from` (null: the file's
// start), after those in `names`.
bool read_window(const GateEngine& engine, const std::string& path,
                 const std::vector<LineRange>& ranges, size_t most, const FilterRestart* from,
                 std::vector<WindowName>& names) {
    FileReader reader;
    if (!open_file_reader(reader, path, 64 * 1024))
        return false;
    if (from != nullptr &&
        ::lseek(reader.fd, static_cast<off_t>(from->offset), SEEK_SET) == static_cast<off_t>(-1))
        return false;
    WindowSink sink{engine.table, ranges, most, names};
    WindowSource source{reader, sink.done};
    return scan_through_engine(engine, source, sink, nullptr, from) == ReadStatus::end &&
           !sink.too_many;
}

}  // namespace

bool find_window_names(const GateEngine& engine, const std::string& path,
                       const std::vector<LineRange>& ranges, size_t most,
                       const std::vector<FilterRestart>& restarts, std::vector<WindowName>& names) {
    names.clear();
    size_t first = 0;
    while (first < ranges.size()) {
        const FilterRestart* from = restart_before_line(restarts, ranges[first].first);
        size_t last = first + 1;
        while (last < ranges.size() && restart_before_line(restarts, ranges[last].first) == from)
            ++last;
        std::vector<LineRange> part(ranges.begin() + first, ranges.begin() + last);
        if (!read_window(engine, path, part, most, from, names))
            return false;
        first = last;
    }
    return true;
}
