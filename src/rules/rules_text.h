#pragma once

// The text the rules filter reads: the current chunk and, before it, as much
// as a decision may look back at (twice the reach of one), with the runs of
// the "not-after" bytes that end before that; where the matcher may hold a
// hint back to its line's end, from the start of the line in progress. Under
// ignore-case the kept text is folded as it comes, unless an escape or a
// not-after byte is a letter (TextCase).

#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "rules/case_fold.h"
#include "text/text_bytes.h"

// What the filter needs kept of the text, from the rules matcher.
struct TextKeeping {
    size_t reach = 0;                      // the most bytes a decision looks at from a place
    std::vector<uint8_t> not_after_bytes;  // those the region rules name
    bool held_back = false;                // the matcher may hold a hint back to its line's end
    TextCase text_case = TextCase::as_it_is;
};

// Makes the bytes a resize adds without writing them: each chunk is copied or
// folded over them at once.
template <typename T>
struct LeftAsAllocated : std::allocator<T> {
    template <typename U>
    void construct(U* at) noexcept {
        ::new (static_cast<void*>(at)) U;
    }
};

using KeptBytes = std::vector<uint8_t, LeftAsAllocated<uint8_t>>;

// `bytes` from `offset` on, up to the end of the current chunk.
struct RulesText {
    KeptBytes bytes;
    uint64_t offset = 0;
    uint64_t end = 0;                   // offset + bytes.size()
    std::vector<uint64_t> runs_before;  // by not_after_bytes: the run ending before `offset`
    uint64_t line_start_before = 0;     // the start of the line `offset` stands on
    uint64_t line_start = 0;            // of the line in progress
    KeptBytes folded;                   // the current chunk for the scan, under fold_compared
    bool source_ended = false;          // no chunk comes after the current one
};

void start_rules_text(RulesText& text, const TextKeeping& keeping);

// After start_rules_text: a text that starts at `offset`, a line's first byte.
void resume_rules_text(RulesText& text, uint64_t offset);

// Appends the next chunk to the text, dropping what no decision needs any more;
// returns the chunk the scan sees.
std::string_view add_chunk(RulesText& text, const TextKeeping& keeping, std::string_view raw);

inline uint64_t text_end(const RulesText& text) {
    return text.end;
}

// The bytes from `pos` to the end of the text at hand; `pos` is never before it.
inline const uint8_t* bytes_at(const RulesText& text, uint64_t pos) {
    return text.bytes.data() + (pos - text.offset);
}

// The byte at `pos`, or -1 past the text's end.
inline int byte_at(const RulesText& text, uint64_t pos) {
    return pos < text_end(text) ? *bytes_at(text, pos) : -1;
}

inline bool is_line_end(int byte) {
    return byte == kLf || byte == kCr;
}

// Where the last line that starts after `from` and no later than `to` starts,
// or 0 where no line end stands in between; the bytes between are at hand.
inline uint64_t line_start_within(const RulesText& text, uint64_t from, uint64_t to) {
    const void* lf = memrchr(bytes_at(text, from), '\n', to - from);
    return lf == nullptr
               ? 0
               : text.offset +
                     static_cast<uint64_t>(static_cast<const uint8_t*>(lf) - text.bytes.data()) + 1;
}

// Whether `mark` (folded under ignore-case) stands at `pos`, its first `known`
// bytes known to.
inline bool mark_at(const RulesText& text, TextCase text_case, uint64_t pos,
                    const std::string& mark, size_t known = 0) {
    if (text_end(text) - pos < mark.size())
        return false;
    const uint8_t* at = bytes_at(text, pos);
    const uint8_t* want = reinterpret_cast<const uint8_t*>(mark.data());
    // Marks are a few bytes: a call of memcmp would cost more than the loop.
    if (text_case != TextCase::fold_compared) {
        for (size_t i = known; i < mark.size(); ++i) {
            if (at[i] != want[i])
                return false;
        }
        return true;
    }
    for (size_t i = known; i < mark.size(); ++i) {
        if (fold_case(at[i]) != want[i])
            return false;
    }
    return true;
}

// Whether an odd run of `byte`, one of keeping.not_after_bytes, stands right
// before `pos`.
bool after_odd_run(const RulesText& text, const TextKeeping& keeping, uint64_t pos, uint8_t byte);
