#include <algorithm>
#include <exception>
#include <random>

#include "match/tag_matcher.h"

namespace {

// What the choice of walk and skip looks at.
struct ListShape {
    bool few_first_bytes = false;  // block compares can take them all
    size_t start_bytes = 0;        // the shortest name's length, up to kMaxStartBytes
    size_t starts = 0;             // distinct starts of that many bytes
    size_t rows = 0;               // of a dense table
    ByteClasses classes;           // of a dense table
    bool tails = false;            // which a dense table does not take
};

SkipKind choose_skip(const ListShape& shape) {
    if (shape.few_first_bytes)
        return SkipKind::first_bytes;
#if defined(__SSE2__)
    if (shape.start_bytes >= 2 && shape.starts <= kMaxHashedStarts)
        return SkipKind::hashed_starts;
#endif
    return SkipKind::none;
}

// A dense table wherever it fits, even when skipping settles every start: where
// skipping gives way, the walk takes the text alone.
WalkKind choose_walk(const ListShape& shape, const MatcherOptions& options) {
    bool fits = !shape.tails && shape.rows <= options.dense_entry_limit / shape.classes.count;
    return fits ? WalkKind::dense_table : WalkKind::trie;
}

ListShape shape_of(TagMatcher& m, const std::vector<StateDepth>& depth_of) {
    ListShape shape;
    shape.few_first_bytes = build_first_byte_skip(m.trie, m.first_bytes);
    shape.start_bytes = std::min<size_t>(
        *std::min_element(m.trie.name_length.begin(), m.trie.name_length.end()), kMaxStartBytes);
    shape.starts =
        static_cast<size_t>(std::count(depth_of.begin(), depth_of.end(), shape.start_bytes));
    shape.rows = state_count(m.trie) + 1;
    shape.tails = state_count(m.trie) > m.trie.node_count;
    shape.classes = byte_classes(m.trie);
    return shape;
}

// Skipping takes over in states shallower than the bytes it looks at.
size_t shallow_depth(SkipKind skip, const ListShape& shape) {
    return skip == SkipKind::hashed_starts ? shape.start_bytes
           : skip == SkipKind::first_bytes ? 1
                                           : 0;
}

// The walk, and where the hashed skip hands the text to it.
void build_walk(const ListShape& shape, const std::vector<uint32_t>& order,
                std::vector<StateDepth>& depth_of, size_t walked_starts, TagMatcher& m) {
    const bool hashed = m.skip == SkipKind::hashed_starts;
    std::vector<uint32_t> code_of;
    if (m.walk == WalkKind::dense_table) {
        build_dense_table(m.trie, order, depth_of, shape.classes, shallow_depth(m.skip, shape),
                          m.table);
        if (hashed && walked_starts > 0)
            code_of = codes_of_states(m.table);
    }
    if (hashed && walked_starts > 0)
        set_walk_states(m.trie, code_of, m.starts);
    if (hashed && m.walk == WalkKind::trie)
        m.trie.depth = std::move(depth_of);
}

}  // namespace

MatcherOptions drawn_matcher_options() {
    MatcherOptions options;
    try {
        std::random_device device;
        options.start_hash_factor = static_cast<uint32_t>(device()) | 1u;
    } catch (const std::exception&) {
        // No source of randomness: the fixed factors alone.
    }
    return options;
}

TagMatcher build_matcher(const Patterns& patterns, const MatcherOptions& options) {
    TagMatcher m;
    m.give_way = options.give_way;
    std::vector<uint32_t> order = build_trie_automaton(patterns, m.trie, options.tail_states);
    std::vector<StateDepth> depth_of = state_depths(m.trie, order);
    ListShape shape = shape_of(m, depth_of);
    m.skip = choose_skip(shape);
    size_t walked_starts = shape.starts;
    if (m.skip == SkipKind::hashed_starts) {
        walked_starts =
            build_hashed_start_skip(patterns, shape.start_bytes, shape.starts, options.wide_blocks,
                                    options.start_hash_factor, m.starts);
    }
    m.walk = choose_walk(shape, options);
    build_walk(shape, order, depth_of, walked_starts, m);
    return m;
}

TagMatcher build_tag_matcher(const TagTable& table, const MatcherOptions& options) {
    Patterns names;
    names.reserve(2 * table.n);
    for (size_t id = 0; id < 2 * table.n; ++id)
        names.push_back(name_of(table, id));
    return build_matcher(names, options);
}
