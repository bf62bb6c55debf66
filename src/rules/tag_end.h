#pragma once

// The end of a tag: the first END after its name, over the lines' text (a CR
// ends a line's text, the next LF starts a line). The tag-end rule's END closes
// the tag, so that nothing inside it is checked; the self-closing END is where
// a self-closing name's tag is judged. A search takes the text as far as it is
// at hand and goes on when more comes. Its course from a place depends on the
// place and on the state it keeps (TagEndSearch): two searches for one END
// that stand at one place in the same state end at the same END, and only
// then may one stand for the other (same_course).

#include <cstdint>
#include <string>

#include "rules/rules_text.h"
#include "rules/stop_bytes.h"

struct TagEndMark {
    std::string end;  // folded under ignore-case
    StopBytes stops;  // its first byte in either case, LF and CR
};

constexpr uint32_t kNoTagEnd = UINT32_MAX;

struct TagEndSearch {
    uint32_t mark = kNoTagEnd;  // of RulesMatcher.tag_ends
    uint64_t next = 0;          // no END starts from the name's end up to here
    bool cut = false;           // a CR has ended the line's text before `next`
    bool found = false;         // END starts at `next`
    // State that depends on where the tag began belongs here, and in same_course.
};

TagEndMark tag_end_mark(const std::string& end, bool fold);

inline TagEndSearch start_tag_end(uint32_t mark, uint64_t from) {
    return TagEndSearch{mark, from, false, false};
}

inline bool same_course(const TagEndSearch& a, const TagEndSearch& b) {
    return a.mark == b.mark && a.next == b.next && a.cut == b.cut && a.found == b.found;
}

// Moves the search on over the bytes before `limit`, as far as they are at
// hand; true once END is found. Hot: a change needs a benchmark run.
inline bool advance_tag_end(TagEndSearch& search, const TagEndMark& mark, const RulesText& text,
                            TextCase text_case, uint64_t limit) {
    if (search.found)
        return true;
    uint64_t end = text_end(text);
    limit = limit < end ? limit : end;
    uint64_t& next = search.next;
    while (next < limit) {
        const uint8_t* at = bytes_at(text, next);
        size_t span = limit - next;
        size_t i = skip_to_stop(at, span, search.cut ? line_end_stops() : mark.stops);
        next += i;
        if (i == span)
            break;
        if (is_line_end(at[i])) {
            search.cut = at[i] == kCr;
            ++next;
            continue;
        }
        if (!text.source_ended && next + mark.end.size() > end)
            return false;
        if (mark_at(text, text_case, next, mark.end)) {
            search.found = true;
            return true;
        }
        ++next;
    }
    return false;
}

// Whether the tag of a name ending at `name_end`, its END found at `end_start`,
// ends in `closing` (the self-closing MARK) right before that END.
inline bool closes_itself(const RulesText& text, TextCase text_case, const std::string& closing,
                          uint64_t name_end, const TagEndMark& mark, uint64_t end_start) {
    uint64_t tag_end = end_start + mark.end.size();
    if (tag_end < name_end + closing.size())
        return false;
    return mark_at(text, text_case, tag_end - closing.size(), closing);
}
