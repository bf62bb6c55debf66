#include "rules/rules_text.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t kKeptTextCapacity = size_t{4} << 20;

// Drops the bytes before `base`, keeping the runs of the not-after bytes that
// end there.
void drop_before(RulesText& text, const TextKeeping& keeping, uint64_t base) {
    const uint8_t* data = text.bytes.data();
    size_t dropped = base - text.offset;
    // Nothing to drop, and an empty text has no place for memrchr to look at.
    if (dropped == 0)
        return;
    for (size_t k = 0; k < keeping.not_after_bytes.size(); ++k) {
        size_t at = dropped;
        while (at > 0 && data[at - 1] == keeping.not_after_bytes[k])
            --at;
        text.runs_before[k] = (at == 0 ? text.runs_before[k] : 0) + (dropped - at);
    }
    const void* lf = memrchr(data, '\n', dropped);
    if (lf != nullptr)
        text.line_start_before =
            text.offset + static_cast<uint64_t>(static_cast<const uint8_t*>(lf) - data) + 1;
    text.bytes.erase(text.bytes.begin(), text.bytes.begin() + static_cast<ptrdiff_t>(dropped));
    text.offset = base;
}

// Where the line in progress at the end of `raw` starts, if it starts there.
void find_line_start(RulesText& text, std::string_view raw, uint64_t offset) {
    for (size_t i = raw.size(); i > 0; --i) {
        if (is_line_end(static_cast<uint8_t>(raw[i - 1]))) {
            text.line_start = offset + i;
            return;
        }
    }
}

void fold_into(std::string_view raw, uint8_t* to) {
    fold_bytes(reinterpret_cast<const uint8_t*>(raw.data()), raw.size(), to);
}

}  // namespace

void start_rules_text(RulesText& text, const TextKeeping& keeping) {
    // A long line kept for the last text need not stay.
    if (text.bytes.capacity() > kKeptTextCapacity)
        text.bytes = KeptBytes();
    text.bytes.clear();
    text.offset = 0;
    text.end = 0;
    text.line_start_before = 0;
    text.runs_before.assign(keeping.not_after_bytes.size(), 0);
    text.line_start = 0;
    text.source_ended = false;
}

void resume_rules_text(RulesText& text, uint64_t offset) {
    text.offset = text.end = text.line_start_before = text.line_start = offset;
}

std::string_view add_chunk(RulesText& text, const TextKeeping& keeping, std::string_view raw) {
    uint64_t end = text_end(text);
    uint64_t base = end - std::min<uint64_t>(end - text.offset, 2 * keeping.reach + 16);
    // Hints the matcher holds back come out by their line's end at the latest.
    if (keeping.held_back)
        base = std::min(base, std::max(text.line_start, text.offset));
    // Dropping costs a move of what stays: only once what goes is as much.
    if (base - text.offset >= end - base)
        drop_before(text, keeping, base);
    size_t at = text.bytes.size();
    text.bytes.resize(at + raw.size());
    text.end = end + raw.size();
    if (keeping.text_case == TextCase::folded)
        fold_into(raw, text.bytes.data() + at);
    else
        memcpy(text.bytes.data() + at, raw.data(), raw.size());
    if (keeping.held_back)
        find_line_start(text, raw, end);
    if (keeping.text_case != TextCase::fold_compared)
        return std::string_view(reinterpret_cast<const char*>(text.bytes.data()) + at, raw.size());
    text.folded.resize(raw.size());
    fold_into(raw, text.folded.data());
    return std::string_view(reinterpret_cast<const char*>(text.folded.data()), raw.size());
}

bool after_odd_run(const RulesText& text, const TextKeeping& keeping, uint64_t pos, uint8_t byte) {
    uint64_t run = 0;
    while (pos > text.offset && *bytes_at(text, pos - 1) == byte) {
        --pos;
        ++run;
    }
    if (pos == text.offset) {
        const std::vector<uint8_t>& bytes = keeping.not_after_bytes;
        run += text.runs_before[std::find(bytes.begin(), bytes.end(), byte) - bytes.begin()];
    }
    return run % 2 == 1;
}
