#include "gate/finding_columns.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "text/file_reader.h"

namespace {

// Column 1 is column 1 in every unit.
void add_place(std::vector<NamePlace*>& places, NamePlace& place) {
    if (place.column > 1)
        places.push_back(&place);
}

// The places that findings and notes are reported at.
std::vector<NamePlace*> reported_places(FileCheck& check) {
    std::vector<NamePlace*> places;
    PairMatching& matching = check.matching;
    for (uint64_t i = 0; i < matching.opens.size; ++i) {
        OpenEntry& open = block_stack_item(matching.opens, i);
        if (!open.matched)
            add_place(places, open.place);
    }
    for (uint64_t i = 0; i < matching.unmatched_closes.size; ++i)
        add_place(places, block_stack_item(matching.unmatched_closes, i).place);
    for (uint64_t i = 0; i < matching.pending.closes.size; ++i) {
        PendingClose& close = block_stack_item(matching.pending.closes, i);
        if (crosses(close))
            add_place(places, close.place);
    }
    for (uint64_t i = 0; i < matching.notes.size; ++i)
        add_place(places, block_stack_item(matching.notes, i).place);
    if (check.ended_in_region)
        add_place(places, check.region_place);
    std::sort(places.begin(), places.end(), [](const NamePlace* a, const NamePlace* b) {
        return a->line != b->line ? a->line < b->line : a->column < b->column;
    });
    return places;
}

// Where the walk through the file stands: the line it is on, the bytes of that
// line gathered so far, and the next place to count.
struct LineWalk {
    const std::vector<NamePlace*>& places;
    ColumnUnit unit;
    size_t next = 0;
    uint64_t line = 1;
    std::string bytes;  // of `line`, from its start: as many as its places need
};

// The places on the walk's line, from `next` on: their count; the bytes they need.
size_t places_on_line(const LineWalk& walk, uint64_t& needed) {
    size_t end = walk.next;
    while (end < walk.places.size() && walk.places[end]->line == walk.line)
        ++end;
    needed = walk.places[end - 1]->column - 1;
    return end - walk.next;
}

void count_places(LineWalk& walk, size_t count) {
    ColumnCount columns;
    for (size_t i = 0; i < count; ++i) {
        NamePlace& place = *walk.places[walk.next + i];
        place.column = count_column(columns, walk.bytes, place.column - 1, walk.unit);
    }
    walk.next += count;
}

// Takes in the chunk's bytes; false once no place is left.
bool walk_chunk(LineWalk& walk, const char* data, size_t size) {
    size_t pos = 0;
    while (walk.next < walk.places.size()) {
        if (walk.line < walk.places[walk.next]->line) {
            const void* lf = std::memchr(data + pos, '\n', size - pos);
            if (lf == nullptr)
                return true;
            pos = static_cast<size_t>(static_cast<const char*>(lf) - data) + 1;
            ++walk.line;
            walk.bytes.clear();
            continue;
        }
        uint64_t needed;
        size_t count = places_on_line(walk, needed);
        size_t take = std::min<uint64_t>(needed - walk.bytes.size(), size - pos);
        walk.bytes.append(data + pos, take);
        pos += take;
        if (walk.bytes.size() < needed)
            return true;
        count_places(walk, count);
    }
    return false;
}

}  // namespace

bool recount_columns(FileCheck& check, int fd, ColumnUnit unit, char* buffer, size_t room) {
    if (unit == ColumnUnit::byte)
        return true;
    std::vector<NamePlace*> places = reported_places(check);
    LineWalk walk{places, unit, 0, 1, {}};
    uint64_t offset = 0;
    while (walk.next < places.size()) {
        size_t size;
        bool ends_text;
        ReadStatus status = read_at(fd, offset, buffer, room, size, ends_text);
        if (status == ReadStatus::error)
            return false;
        if (status == ReadStatus::end || !walk_chunk(walk, buffer, size) || ends_text)
            break;
        offset += size;
    }
    return true;
}
