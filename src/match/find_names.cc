#include <algorithm>
#include <bit>
#include <cstring>

#include "match/tag_matcher.h"

void start_text_scan(const TagMatcher& matcher, TextScan& scan) {
    scan = TextScan{};
    if (matcher.trie.needs_reorder)
        start_waiting(scan.waiting, matcher.trie.longest_name);
}

namespace {

// No match still to come starts before where the walk stands at the root or at a
// line's end: every waiting match can be handed out.
void settle_all_waiting(TextScan& scan, std::vector<FoundName>& found) {
    if (scan.waiting.count > 0)
        settle_waiting(scan.waiting, UINT64_MAX, scan.line, found);
}

// The rest of a line whose text a CR has ended: up to and past its LF.
size_t skip_cut_line(const uint8_t* data, size_t p, size_t n, TextScan& scan) {
    const void* lf = std::memchr(data + p, kLf, n - p);
    if (lf == nullptr)
        return n;
    scan.cut = false;
    ++scan.line;
    return static_cast<size_t>(static_cast<const uint8_t*>(lf) - data) + 1;
}

void take_line_break(uint8_t byte, TextScan& scan, std::vector<FoundName>& found) {
    settle_all_waiting(scan, found);
    if (byte == kLf) {
        ++scan.line;
    } else {
        scan.cut = true;
    }
}

// All names ending at `end` end in `state`: its own name, the longest, then
// shorter ones through the dictionary links, so by increasing start.
void take_names_ending(const TrieAutomaton& m, uint32_t state, uint64_t end, TextScan& scan,
                       std::vector<FoundName>& found) {
    StateOutput output = output_of(m, state);
    if (!m.needs_reorder && output.dict_link == kNoState) {
        found.push_back(
            FoundName{output.own_name, scan.line, end + 1 - m.name_length[output.own_name]});
        return;
    }
    if (m.needs_reorder && end + 1 > m.longest_name) {
        settle_waiting(scan.waiting, end + 1 - m.longest_name, scan.line, found);
    }
    if (output.own_name == kNoName)
        output = output_of(m, output.dict_link);
    for (;;) {
        uint32_t id = output.own_name;
        if (m.needs_reorder) {
            add_waiting(scan.waiting, end + 1 - m.name_length[id], id);
        } else {
            found.push_back(FoundName{id, scan.line, end + 1 - m.name_length[id]});
        }
        if (output.dict_link == kNoState)
            break;
        output = output_of(m, output.dict_link);
    }
}

// Judges each stretch of text once it is long enough; see SkipTally.
void tally_skip(const GiveWayRule& rule, SkipTally& tally, uint64_t from, uint64_t to,
                uint64_t cost) {
    tally.cost += cost;
    tally.saved += to - from;
    if (to - tally.stretch_start < rule.tally_bytes)
        return;
    if (tally.cost > tally.saved) {
        tally.alone_distance = std::clamp(2 * tally.alone_distance, rule.shortest, rule.longest);
        tally.walk_alone_until = to + tally.alone_distance;
    } else {
        tally.alone_distance = 0;
    }
    tally.stretch_start = std::max(to, tally.walk_alone_until);
    tally.cost = tally.saved = 0;
}

bool walks_alone(const TextScan& scan, size_t p) {
    return scan.offset + p < scan.tally.walk_alone_until;
}

// From a state shallower than skipping looks, skipping starts again where the
// bytes that led to it start, unless that is still where the last skip stopped,
// or lies in an earlier chunk, or skipping has given way: then the walk goes on.
size_t skip_to_start(const TagMatcher& m, const uint8_t* data, size_t p, size_t n, size_t depth,
                     TextScan& scan, uint32_t& state, std::vector<FoundName>& found) {
    if (p < depth || scan.offset + p - depth < scan.skip_from || walks_alone(scan, p))
        return p;
    state = 0;
    // Whatever the walk found before starts before anything found from here.
    settle_all_waiting(scan, found);
    size_t from = p - depth;
    uint64_t cost = kHashedEntryCost;
#if defined(__SSE2__)
    if (m.skip == SkipKind::hashed_starts) {
        p = skip_hashed_starts(m.starts, data, from, n, scan.offset, scan.line, found, cost);
        // A full batch leaves p itself still to be looked at.
        bool stopped = p < n && found.size() < kFoundBatch;
        scan.skip_from = scan.offset + p + stopped;
        tally_skip(m.give_way, scan.tally, scan.offset + from, scan.offset + p, cost);
        if (stopped)
            p = pass_start_bytes(m.starts, data, p, n, state);
        return p;
    }
#endif
    p = skip_at_root(m.first_bytes, data, p, n, scan.line);
    scan.skip_from = scan.offset + p + (p < n);
    tally_skip(m.give_way, scan.tally, scan.offset + from, scan.offset + p, kFirstByteEntryCost);
    return p;
}

// The walk by the dense table, up to n. While skipping has given way
// (kSkips false), shallow states are walked like any other.
// Hot: a change needs a benchmark run.
template <bool kSkips>
size_t scan_dense_table(const TagMatcher& m, const uint8_t* data, size_t p, size_t n,
                        TextScan& scan, std::vector<FoundName>& found) {
    const DenseTable& t = m.table;
    RowCodes codes = t.codes;
    if (!kSkips)
        codes.shallow = 0;
    uint32_t code = scan.state;
    while (p < n) {
        if (code == 0 && scan.cut) {
            p = skip_cut_line(data, p, n, scan);
            continue;
        }
        if (kSkips && codes.is_shallow(code)) {
            p = skip_to_start(m, data, p, n, codes.shallow_depth(code), scan, code, found);
            if (p == n || found.size() >= kFoundBatch || walks_alone(scan, p))
                break;
        }
        if (codes.is_chain(code)) {
            p = follow_chain(t, data, p, n, code);
        } else {
            p = walk_table(t, codes, data, p, n, code);
        }
        if (codes.has_output(code)) {
            if (codes.is_line_break(code)) {
                code = 0;
                take_line_break(data[p - 1], scan, found);
                continue;
            }
            take_names_ending(m.trie, t.state_of_row[row_of_code(t, code)], scan.offset + p - 1,
                              scan, found);
            if (found.size() >= kFoundBatch)
                break;
        }
    }
    scan.state = code;
    return p;
}

// Stretches where skipping has given way, and the others.
size_t scan_by_dense_table(const TagMatcher& m, const uint8_t* data, size_t n, TextScan& scan,
                           std::vector<FoundName>& found) {
    size_t p = scan.pos;
    while (p < n && found.size() < kFoundBatch) {
        if (walks_alone(scan, p)) {
            uint64_t end = std::min<uint64_t>(n, scan.tally.walk_alone_until - scan.offset);
            p = scan_dense_table<false>(m, data, p, static_cast<size_t>(end), scan, found);
        } else {
            p = scan_dense_table<true>(m, data, p, n, scan, found);
        }
    }
    return p;
}

// The walk by the trie's child lists and failure links. At the root it passes
// over the bytes no name begins with even without a skip of its own.
// Hot: a change needs a benchmark run.
size_t scan_trie(const TagMatcher& m, const uint8_t* data, size_t n, TextScan& scan,
                 std::vector<FoundName>& found) {
    const TrieAutomaton& trie = m.trie;
    const bool hashed = m.skip == SkipKind::hashed_starts;
    // Without hashed starts, skipping happens at the root only.
    const size_t shallow = hashed ? m.starts.start_bytes : 1;
    size_t p = scan.pos;
    uint32_t state = scan.state;
    while (p < n) {
        if (state == 0 && scan.cut) {
            p = skip_cut_line(data, p, n, scan);
            continue;
        }
        // Tail positions lie deeper than any skip looks.
        size_t depth = state == 0                        ? 0
                       : hashed && !is_tail(trie, state) ? trie.depth[state]
                                                         : shallow;
        if (depth < shallow) {
            p = skip_to_start(m, data, p, n, depth, scan, state, found);
            if (p == n || found.size() >= kFoundBatch)
                break;
        }
        uint8_t byte = data[p++];
        if (byte == kLf || byte == kCr) {
            state = 0;
            take_line_break(byte, scan, found);
            continue;
        }
        state = trie_step(trie, state, byte);
        if (trie.has_output[state]) {
            take_names_ending(trie, state, scan.offset + p - 1, scan, found);
            if (found.size() >= kFoundBatch)
                break;
        }
    }
    scan.state = state;
    return p;
}

}  // namespace

bool find_names(const TagMatcher& matcher, std::string_view chunk, TextScan& scan,
                std::vector<FoundName>& found) {
    const uint8_t* data = reinterpret_cast<const uint8_t*>(chunk.data());
    size_t n = chunk.size();
    size_t p = matcher.walk == WalkKind::dense_table
                   ? scan_by_dense_table(matcher, data, n, scan, found)
                   : scan_trie(matcher, data, n, scan, found);
    if (p < n) {
        scan.pos = p;
        return false;
    }
    scan.offset += n;
    scan.pos = 0;
    return true;
}

void finish_text_scan(TextScan& scan, std::vector<FoundName>& found) {
    settle_all_waiting(scan, found);
}
