#include "gate/finding_columns.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "text/file_reader.h"

namespace {

// Where a walk through the file stands: the line it is on, the bytes of that
// line gathered so far, and how far they are counted.
struct LineWalk {
    ColumnUnit unit;
    uint64_t line = 1;
    std::string bytes;  // of `line`, from its start: as many as its places need
    ColumnCount count{};
};

// Counts the places `next` hands out, in file order, over the chunk's bytes;
// `place` is the one under way. False once none is left.
template <typename Next>
bool walk_chunk(LineWalk& walk, NamePlace*& place, Next& next, const char* data, size_t size) {
    size_t pos = 0;
    while (place != nullptr) {
        if (walk.line < place->line) {
            const void* lf = std::memchr(data + pos, '\n', size - pos);
            if (lf == nullptr)
                return true;
            pos = static_cast<size_t>(static_cast<const char*>(lf) - data) + 1;
            ++walk.line;
            walk.bytes.clear();
            walk.count = ColumnCount{};
            continue;
        }
        uint64_t needed = place->column - 1;
        size_t take =
            std::min<uint64_t>(needed - std::min<uint64_t>(needed, walk.bytes.size()), size - pos);
        // A column past its line's end stays on the line: the bytes after it
        // belong to the next.
        const void* lf = std::memchr(data + pos, '\n', take);
        bool line_ends = lf != nullptr;
        if (line_ends)
            take = static_cast<size_t>(static_cast<const char*>(lf) - (data + pos));
        walk.bytes.append(data + pos, take);
        pos += take;
        if (walk.bytes.size() < needed && !line_ends)
            return true;
        uint64_t within = std::min<uint64_t>(needed, walk.bytes.size());
        place->column = count_column(walk.count, walk.bytes, within, walk.unit) + (needed - within);
        place = next();
    }
    return false;
}

// One pass through the file for the places `next` hands out in file order.
template <typename Next>
bool recount_places(int fd, ColumnUnit unit, char* buffer, size_t room, Next next) {
    NamePlace* place = next();
    LineWalk walk{unit, 1, {}, {}};
    for (uint64_t offset = 0; place != nullptr;) {
        size_t size;
        bool ends_text;
        ReadStatus status = read_at(fd, offset, buffer, room, size, ends_text);
        if (status == ReadStatus::error)
            return false;
        if (status == ReadStatus::end || !walk_chunk(walk, place, next, buffer, size) || ends_text)
            break;
        offset += size;
    }
    return true;
}

// The places of the records of `stack` that `reported` keeps, in their order:
// the stack's order is the file's. Column 1 is column 1 in every unit.
template <typename T, typename Keep>
auto places_of(BlockStack<T>& stack, Keep reported) {
    return [&stack, reported, i = uint64_t{0}]() mutable -> NamePlace* {
        while (i < stack.size) {
            T& record = block_stack_item(stack, i++);
            if (reported(record) && record.place.column > 1)
                return &record.place;
        }
        return nullptr;
    };
}

// As above for the records of a spool, the spilled ones written back changed.
template <typename T, typename Keep>
bool recount_spool(int fd, ColumnUnit unit, char* buffer, size_t room, RecordSpool<T>& spool,
                   Keep reported) {
    SpoolCursor<T> cursor{spool, 0, {}, 0, false};
    bool read = recount_places(fd, unit, buffer, room, [&cursor, reported]() -> NamePlace* {
        while (T* record = spool_cursor_next(cursor)) {
            if (reported(*record) && record->place.column > 1)
                return &record->place;
        }
        return nullptr;
    });
    return finish_spool_cursor(cursor) && read;
}

// The edit notes' places, their findings' among them so that a note is still
// found by its finding's place: few, sorted here into file order.
bool recount_edit_notes(int fd, ColumnUnit unit, char* buffer, size_t room,
                        std::vector<EditNote>& notes) {
    std::vector<NamePlace*> places;
    // An edit whose column counts another line's bytes is counted there.
    std::vector<NamePlace> elsewhere(notes.size());
    for (size_t i = 0; i < notes.size(); ++i) {
        EditNote& note = notes[i];
        places.push_back(&note.place);
        if (note.column_line != 0) {
            elsewhere[i] = {note.column_line, note.edit.column};
            places.push_back(&elsewhere[i]);
        } else {
            places.push_back(&note.edit);
        }
    }
    std::sort(places.begin(), places.end(), [](const NamePlace* a, const NamePlace* b) {
        return a->line != b->line ? a->line < b->line : a->column < b->column;
    });
    size_t next = 0;
    bool read = recount_places(fd, unit, buffer, room, [&places, &next]() -> NamePlace* {
        while (next < places.size()) {
            NamePlace* place = places[next++];
            if (place->column > 1)
                return place;
        }
        return nullptr;
    });
    for (size_t i = 0; i < notes.size(); ++i) {
        if (notes[i].column_line != 0)
            notes[i].edit.column = elsewhere[i].column;
    }
    return read;
}

}  // namespace

bool recount_columns(FileCheck& check, int fd, ColumnUnit unit, char* buffer, size_t room) {
    if (unit == ColumnUnit::byte)
        return true;
    PairMatching& matching = check.matching;
    auto every = [](const auto&) { return true; };
    bool read = recount_places(fd, unit, buffer, room,
                               places_of(matching.opens,
                                         [](const OpenEntry& open) { return !open.matched; })) &&
                recount_spool(fd, unit, buffer, room, matching.unmatched_closes, every) &&
                recount_spool(fd, unit, buffer, room, matching.pending.closes,
                              [](const PendingClose& close) { return crosses(close); }) &&
                recount_spool(fd, unit, buffer, room, matching.notes, every);
    read = read && recount_edit_notes(fd, unit, buffer, room, check.edit_notes);
    if (!read || !check.ended_in_region || check.region_place.column <= 1)
        return read;
    NamePlace* region = &check.region_place;
    return recount_places(fd, unit, buffer, room,
                          [&region]() { return std::exchange(region, nullptr); });
}
