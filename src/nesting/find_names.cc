#include <bit>
#include <cstring>

#include "nesting/matcher_parts.h"
#include "nesting/skip_text.h"
#include "nesting/tag_matcher.h"

void start_text_scan(const TagMatcher& matcher, TextScan& scan) {
    scan = TextScan{};
    if (matcher.needs_reorder) {
        size_t window = std::bit_ceil(matcher.longest_name);
        scan.slot.assign(window, FoundName{kNoState, 0});
        scan.window_mask = window - 1;
    }
}

// The rest of a line whose text a CR has ended: up to and past its LF.
static size_t skip_cut_line(const uint8_t* data, size_t p, size_t n, TextScan& scan) {
    const void* lf = std::memchr(data + p, kLf, n - p);
    if (lf == nullptr)
        return n;
    scan.cut = false;
    ++scan.line;
    return static_cast<size_t>(static_cast<const uint8_t*>(lf) - data) + 1;
}

static void take_line_break(uint8_t byte, TextScan& scan) {
    if (byte == kLf) {
        ++scan.line;
    } else {
        scan.cut = true;
    }
}

// Hands out the waiting matches whose start is below `limit`: no match still to
// come can start there.
static void settle_waiting(TextScan& scan, uint64_t limit, std::vector<FoundName>& found) {
    while (scan.waiting > 0 && scan.lowest < limit) {
        FoundName& slot = scan.slot[scan.lowest & scan.window_mask];
        if (slot.id != kNoState) {
            found.push_back(slot);
            slot.id = kNoState;
            --scan.waiting;
        }
        ++scan.lowest;
    }
}

static void wait_in_window(TextScan& scan, uint64_t start, uint32_t id) {
    if (scan.waiting == 0 || start < scan.lowest)
        scan.lowest = start;
    scan.slot[start & scan.window_mask] = FoundName{id, scan.line};
    ++scan.waiting;
}

// All names ending at `end` end in `state`: its own name, the longest, then
// shorter ones through the dictionary links, so by increasing start.
static void take_names_ending(const TagMatcher& m, uint32_t state, uint64_t end, TextScan& scan,
                              std::vector<FoundName>& found) {
    if (!m.needs_reorder && m.dict_link[state] == kNoState) {
        found.push_back(FoundName{m.own_name[state], scan.line});
        return;
    }
    if (m.needs_reorder && end + 1 > m.longest_name) {
        settle_waiting(scan, end + 1 - m.longest_name, found);
    }
    uint32_t s = m.own_name[state] != kNoName ? state : m.dict_link[state];
    for (; s != kNoState; s = m.dict_link[s]) {
        uint32_t id = m.own_name[s];
        if (m.needs_reorder) {
            wait_in_window(scan, end + 1 - m.name_length[id], id);
        } else {
            found.push_back(FoundName{id, scan.line});
        }
    }
}

// The first position from p on whose byte differs from data[p].
static size_t end_of_run(const uint8_t* data, size_t p, size_t n) {
    uint8_t byte = data[p];
#if defined(__SSE2__)
    __m128i same = _mm_set1_epi8(static_cast<char>(byte));
    for (; p + 16 <= n; p += 16) {
        __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + p));
        uint32_t equal = bits_of(_mm_cmpeq_epi8(block, same));
        if (equal != 0xffff)
            return p + static_cast<size_t>(std::countr_one(equal));
    }
#endif
    while (p < n && data[p] == byte)
        ++p;
    return p;
}

// Follows the table from p until a state with output (a name's end, or a line
// break), a state on a chain, a shallow state where skipping may take over, or
// the end. A state without output, other than the root, that stays put on a
// byte stays put on a run of it, so such runs are passed whole: a long name of
// 'a's against a file of 'a's costs no more than a plain scan.
static size_t walk_table(const TagMatcher& m, const uint8_t* data, size_t p, size_t n,
                         uint32_t& code) {
    const uint32_t* table = m.table.data();
    const uint8_t* byte_class = m.byte_class.data();
    const uint32_t output_code = m.output_code;
    const uint32_t shallow_code = m.shallow_code;
    const uint32_t chain_code = m.chain_code;
    uint32_t state = code;
    do {
        uint32_t next = table[state + byte_class[data[p]]];
        if (next == state && state != 0 && state < output_code) {
            p = end_of_run(data, p, n);
        } else {
            state = next;
            ++p;
        }
    } while (p < n && state - shallow_code < chain_code - shallow_code);
    code = state;
    return p;
}

// How many bytes from the start a and b have in common, up to limit; a is
// readable up to a_end, b 16 bytes past the limit.
static size_t common_length(const uint8_t* a, const uint8_t* a_end, const uint8_t* b,
                            size_t limit) {
    size_t i = 0;
#if defined(__SSE2__)
    for (; i < limit && a_end - (a + i) >= 16; i += 16) {
        __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
        __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
        uint32_t equal = bits_of(_mm_cmpeq_epi8(x, y));
        if (equal != 0xffff)
            return std::min(i + static_cast<size_t>(std::countr_one(equal)), limit);
    }
    if (i >= limit)
        return limit;
#else
    (void)a_end;
#endif
    while (i < limit && a[i] == b[i])
        ++i;
    return i;
}

// code / class_count without a division; exact, as codes are multiples of
// class_count below 2^32.
static uint32_t row_of_code(const TagMatcher& m, uint32_t code) {
    return static_cast<uint32_t>(code * m.row_reciprocal >> 32);
}

// From a state on a chain: the rest of its name compared at once. Where the text
// leaves the chain, one ordinary step (runs passed whole, as in the walk).
static size_t follow_chain(const TagMatcher& m, const uint8_t* data, size_t p, size_t n,
                           uint32_t& code) {
    const ChainRest& rest = m.chain_rest[row_of_code(m, code - m.chain_code)];
    size_t same = common_length(data + p, data + n, m.chain_bytes.data() + rest.offset,
                                std::min<size_t>(rest.length, n - p));
    p += same;
    if (same == rest.length) {
        code = rest.end_code;
        return p;
    }
    code += static_cast<uint32_t>(same) * m.class_count;
    if (p == n)
        return p;
    uint32_t next = m.table[code + m.byte_class[data[p]]];
    if (next == code)
        return end_of_run(data, p, n);
    code = next;
    return p + 1;
}

static size_t depth_of_shallow(const TagMatcher& m, uint32_t code) {
    return (code >= m.depth_code[1]) + (code >= m.depth_code[2]) + (code >= m.depth_code[3]);
}

#if defined(__SSE2__)
// A start that more than one name shares, or a long name's: the walk goes on
// after the start bytes, from the state they lead to.
static size_t pass_start_bytes(const TagMatcher& m, const uint8_t* data, size_t p, size_t n,
                               uint32_t& state) {
    if (n - p < 4)
        return p;
    const StartSlot& slot = m.start_slots[start_slot(m, start_key(data + p, m.start_mask))];
    if (slot.id != kLeftToWalk)
        return p;
    state = slot.walk_state;
    return state == 0 ? p : p + m.start_bytes;
}
#endif

// From a state shallower than skipping looks, skipping starts again where the
// bytes that led to it start, unless that is still where the last skip stopped,
// or lies in an earlier chunk: then the walk goes on.
static size_t skip_to_start(const TagMatcher& m, const uint8_t* data, size_t p, size_t n,
                            size_t depth, TextScan& scan, uint32_t& state,
                            std::vector<FoundName>& found) {
    if (p < depth || scan.offset + p - depth < scan.skip_from)
        return p;
    state = 0;
#if defined(__SSE2__)
    if (m.start_bytes != 0) {
        // Whatever the walk found before starts before anything found from here.
        if (scan.waiting > 0)
            settle_waiting(scan, UINT64_MAX, found);
        p = skip_hashed_starts(m, data, p - depth, n, scan.line, found);
        // A full batch leaves p itself still to be looked at.
        bool stopped = p < n && found.size() < kFoundBatch;
        scan.skip_from = scan.offset + p + stopped;
        if (stopped)
            p = pass_start_bytes(m, data, p, n, state);
        return p;
    }
#else
    (void)found;
#endif
    p = skip_at_root(m, data, p, n, scan.line);
    scan.skip_from = scan.offset + p + (p < n);
    return p;
}

static size_t scan_dense(const TagMatcher& m, const uint8_t* data, size_t n, TextScan& scan,
                         std::vector<FoundName>& found) {
    const uint32_t output_code = m.output_code;
    size_t p = scan.pos;
    uint32_t code = scan.state;
    while (p < n) {
        if (code == 0 && scan.cut) {
            p = skip_cut_line(data, p, n, scan);
            continue;
        }
        if (code < m.shallow_code) {
            p = skip_to_start(m, data, p, n, depth_of_shallow(m, code), scan, code, found);
            if (p == n || found.size() >= kFoundBatch)
                break;
        }
        if (code < m.chain_code || code >= output_code) {
            p = walk_table(m, data, p, n, code);
        } else {
            p = follow_chain(m, data, p, n, code);
        }
        if (code >= output_code) {
            if (code == m.line_break_code) {
                code = 0;
                take_line_break(data[p - 1], scan);
                continue;
            }
            take_names_ending(m, m.state_of_row[row_of_code(m, code)], scan.offset + p - 1, scan,
                              found);
            if (found.size() >= kFoundBatch)
                break;
        }
    }
    scan.state = code;
    return p;
}

static size_t scan_sparse(const TagMatcher& m, const uint8_t* data, size_t n, TextScan& scan,
                          std::vector<FoundName>& found) {
    // Without hashed starts, skipping happens at the root only.
    const size_t shallow = m.start_bytes != 0 ? m.start_bytes : 1;
    size_t p = scan.pos;
    uint32_t state = scan.state;
    while (p < n) {
        if (state == 0 && scan.cut) {
            p = skip_cut_line(data, p, n, scan);
            continue;
        }
        size_t depth = state == 0 ? 0 : m.start_bytes != 0 ? m.depth[state] : shallow;
        if (depth < shallow) {
            p = skip_to_start(m, data, p, n, depth, scan, state, found);
            if (p == n || found.size() >= kFoundBatch)
                break;
        }
        uint8_t byte = data[p++];
        if (byte == kLf || byte == kCr) {
            state = 0;
            take_line_break(byte, scan);
            continue;
        }
        state = step(m, state, byte);
        if (m.has_output[state]) {
            take_names_ending(m, state, scan.offset + p - 1, scan, found);
            if (found.size() >= kFoundBatch)
                break;
        }
    }
    scan.state = state;
    return p;
}

bool find_names(const TagMatcher& matcher, std::string_view chunk, TextScan& scan,
                std::vector<FoundName>& found) {
    const uint8_t* data = reinterpret_cast<const uint8_t*>(chunk.data());
    size_t n = chunk.size();
    size_t p = matcher.dense ? scan_dense(matcher, data, n, scan, found)
                             : scan_sparse(matcher, data, n, scan, found);
    if (p < n) {
        scan.pos = p;
        return false;
    }
    scan.offset += n;
    scan.pos = 0;
    return true;
}

void finish_text_scan(TextScan& scan, std::vector<FoundName>& found) {
    settle_waiting(scan, UINT64_MAX, found);
}
