#pragma once

// The end of a tag: the first END after its name, over the lines' text (a CR
// ends a line's text, the next LF starts a line). The tag-end rule's END closes
// the tag, so that nothing inside it is checked; the self-closing END is where
// a self-closing name's tag is judged. A search takes the text as far as it is
// at hand and goes on when more comes. Its course from a place depends on the
// place and on the state it keeps (TagEndSearch): two searches for one END
// that stand at one place in the same state end at the same END, and only
// then may one stand for the other (same_course).

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "rules/rules_text.h"
#include "rules/stop_bytes.h"

// Under tag-quotes a quote byte starts a quote that holds no END, up to the
// same byte; under tag-break a break byte outside quotes ends the tag before its
// END (broken).
struct TagEndMark {
    std::string end;                     // folded under ignore-case
    StopBytes stops;                     // its first byte in either case, LF, CR, quotes, break
    std::string quotes;                  // folded under ignore-case
    std::vector<StopBytes> quote_stops;  // by quote: the quote byte, LF and CR
    // By byte, in either case under ignore-case: whether END starts with it,
    // and what else it is (kPlainByte, kBreakByte, or 1 + its place in quotes).
    std::array<bool, 256> starts_end{};
    std::array<uint8_t, 256> role{};
#if defined(__SSE2__)
    // The stops, eight at most (the others repeat the first), to be looked for
    // 16 bytes at a time; none where they are more.
    size_t block_stops = 0;
    __m128i stop_blocks[8]{};
#endif
    // By byte, what the search does there outside quotes and (by quote) in
    // one, where no CR has cut the line (kPassOver, ...): the steps of
    // tag_end_step that need nothing but the byte.
    std::array<uint8_t, 256> step_outside{};
    std::vector<std::array<uint8_t, 256>> step_in_quote;
};

constexpr uint8_t kPassOver = 0;   // no stop
constexpr uint8_t kEndByte = 1;    // a one-byte END: found
constexpr uint8_t kOtherStop = 2;  // a line end, a break, the start of a longer END
constexpr uint8_t kQuoteEnds = 3;
constexpr uint8_t kQuoteStarts = 4;  // + the quote's place in quotes

constexpr uint8_t kPlainByte = 0;
constexpr uint8_t kBreakByte = UINT8_MAX;

constexpr uint32_t kNoTagEnd = UINT32_MAX;

struct TagEndSearch {
    uint32_t mark = kNoTagEnd;  // of RulesMatcher.tag_ends
    uint64_t next = 0;          // no END starts from the name's end up to here
    bool cut = false;           // a CR has ended the line's text before `next`
    bool found = false;         // END starts at `next`, or the break byte when `broken`
    bool broken = false;
    uint8_t quote = 0;  // 1 + the open quote's place in the quotes; 0: none
    // State that depends on where the tag began belongs here, and in same_course.
    // Where `next` stands, for a finding there (not part of the course):
    uint64_t lines = 0;       // the LFs passed
    uint64_t line_start = 0;  // after the last of them
};

TagEndMark tag_end_mark(const std::string& end, bool fold, const std::string& quotes = {},
                        bool has_break = false, char break_byte = 0);

inline TagEndSearch start_tag_end(uint32_t mark, uint64_t from) {
    TagEndSearch search;
    search.mark = mark;
    search.next = from;
    return search;
}

inline bool same_course(const TagEndSearch& a, const TagEndSearch& b) {
    return a.mark == b.mark && a.next == b.next && a.cut == b.cut && a.found == b.found &&
           a.broken == b.broken && a.quote == b.quote;
}

// A step of the search at a byte it stops at that is no line end; false when
// it needs bytes not at hand yet.
inline bool tag_end_step(TagEndSearch& search, const TagEndMark& mark, const RulesText& text,
                         TextCase text_case, uint8_t byte) {
    uint64_t& next = search.next;
    if (search.quote != 0) {
        search.quote = 0;
        ++next;
        return true;
    }
    if (mark.starts_end[byte]) {
        // A one-byte END is the byte itself, in either case under ignore-case.
        if (mark.end.size() == 1) {
            search.found = true;
            return true;
        }
        if (!text.source_ended && next + mark.end.size() > text_end(text))
            return false;
        if (mark_at(text, text_case, next, mark.end)) {
            search.found = true;
            return true;
        }
    }
    uint8_t role = mark.role[byte];
    if (role == kBreakByte) {
        search.found = search.broken = true;
        return true;
    }
    search.quote = role;
    ++next;
    return true;
}

// A step of the search at a byte it stops at; false when it needs bytes not
// at hand yet.
inline bool tag_end_stop(TagEndSearch& search, const TagEndMark& mark, const RulesText& text,
                         TextCase text_case, uint8_t byte) {
    if (!is_line_end(byte))
        return tag_end_step(search, mark, text, text_case, byte);
    search.cut = byte == kCr;
    if (!search.cut) {
        ++search.lines;
        search.line_start = search.next + 1;
    }
    ++search.next;
    return true;
}

inline const StopBytes& tag_end_stops(const TagEndSearch& search, const TagEndMark& mark) {
    return search.cut     ? line_end_stops()
           : search.quote ? mark.quote_stops[search.quote - 1]
                          : mark.stops;
}

// The rest of advance_tag_end's search, past the byte it takes itself.
bool advance_tag_end_on(TagEndSearch& search, const TagEndMark& mark, const RulesText& text,
                        TextCase text_case, uint64_t limit);

// Moves the search on over the bytes before `limit`, as far as they are at
// hand; true once END is found. The tags of most names end, or quote, right
// after the name: that byte is taken here. Hot: a change needs a benchmark run.
inline bool advance_tag_end(TagEndSearch& search, const TagEndMark& mark, const RulesText& text,
                            TextCase text_case, uint64_t limit) {
    if (search.found)
        return true;
    uint64_t end = text_end(text);
    limit = limit < end ? limit : end;
    if (search.next >= limit)
        return false;
    uint8_t byte = *bytes_at(text, search.next);
    if (!tag_end_stops(search, mark).is_stop[byte]) {
        ++search.next;
    } else {
        if (!tag_end_stop(search, mark, text, text_case, byte))
            return false;
        if (search.found)
            return true;
    }
    return search.next < limit && advance_tag_end_on(search, mark, text, text_case, limit);
}

// What a found END says of the tags it ends, judged while its bytes are at
// hand: whether the self-closing MARK stands right before the END's end and,
// under tag-quotes, after a blank, a line end or a quote byte.
struct TagEndJudgement {
    uint64_t mark_start = 0;
    bool mark_there = false;
    bool after_gap = false;
};

inline TagEndJudgement judge_tag_end(const RulesText& text, TextCase text_case,
                                     const std::string& closing, const TagEndMark& mark,
                                     const TagEndSearch& search) {
    TagEndJudgement judgement;
    uint64_t tag_end = search.next + mark.end.size();
    if (search.broken || tag_end < closing.size() + text.offset)
        return judgement;
    uint64_t at = tag_end - closing.size();
    judgement.mark_start = at;
    judgement.mark_there = mark_at(text, text_case, at, closing);
    // What comes before the mark counts only where the mark is there.
    if (judgement.mark_there && at > text.offset) {
        uint8_t before = *bytes_at(text, at - 1);
        judgement.after_gap = before == ' ' || before == '\t' || is_line_end(before) ||
                              (mark.role[before] != kPlainByte && mark.role[before] != kBreakByte);
    }
    return judgement;
}

// Whether the tag of a name from `name_start` to `name_end`, ended where the
// judgement was made, closes itself. The tag is the name and what follows it:
// the mark may take bytes of the name, never bytes before it. Under tag-quotes
// the mark counts only where it starts in the name or right after it, or after
// a gap. A broken tag closes nothing.
inline bool closes_itself(const TagEndJudgement& judgement, bool quotes, uint64_t name_start,
                          uint64_t name_end) {
    return judgement.mark_there && judgement.mark_start >= name_start &&
           (!quotes || judgement.mark_start <= name_end || judgement.after_gap);
}
