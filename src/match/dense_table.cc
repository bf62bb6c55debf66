#include "match/dense_table.h"

#include <cstring>

namespace {

// States on the way to exactly one name with no other name ending on the way:
// from them the walk compares the rest of that name at once. Neither the root
// nor states shallower than `shallow_depth`, where skipping takes over.
std::vector<uint8_t> find_chain_states(const TrieAutomaton& trie,
                                       const std::vector<uint32_t>& order,
                                       const std::vector<StateDepth>& depth_of,
                                       size_t shallow_depth) {
    std::vector<uint8_t> on_chain(trie.own_name.size(), 0);
    for (auto state = order.rbegin(); state != order.rend(); ++state) {
        uint32_t s = *state;
        if (s == 0 || trie.has_output[s] || depth_of[s] < shallow_depth ||
            child_count(trie, s) != 1)
            continue;
        uint32_t child = trie.child_state[trie.child_begin[s]];
        on_chain[s] = child_count(trie, child) == 0 || on_chain[child];
    }
    return on_chain;
}

// Rows in breadth-first order: states without output first (the root stays row
// 0), then each chain's states one after another, then states with output.
// Returns the row of each state; the codes are rows until build_dense_table
// scales them.
std::vector<uint32_t> order_rows(const TrieAutomaton& trie, const std::vector<uint32_t>& order,
                                 const std::vector<uint8_t>& on_chain, DenseTable& t) {
    std::vector<uint32_t> row_of(order.size(), kNoState);
    auto add_row = [&](uint32_t state) {
        row_of[state] = static_cast<uint32_t>(t.state_of_row.size());
        t.state_of_row.push_back(state);
    };
    for (uint32_t state : order) {
        if (!trie.has_output[state] && !on_chain[state])
            add_row(state);
    }
    t.codes.chain = static_cast<uint32_t>(t.state_of_row.size());
    for (uint32_t state : order) {
        if (!on_chain[state] || row_of[state] != kNoState)
            continue;
        // The first state of a chain met breadth-first is where it begins.
        uint32_t offset = static_cast<uint32_t>(t.chain_bytes.size());
        uint32_t s = state;
        for (; on_chain[s]; s = trie.child_state[trie.child_begin[s]]) {
            add_row(s);
            t.chain_bytes.push_back(trie.child_byte[trie.child_begin[s]]);
        }
        uint32_t length = static_cast<uint32_t>(t.chain_bytes.size()) - offset;
        for (uint32_t i = 0; i < length; ++i) {
            t.chain_rest.push_back({offset + i, length - i, s});
        }
    }
    t.codes.output = static_cast<uint32_t>(t.state_of_row.size());
    for (uint32_t state : order) {
        if (trie.has_output[state])
            add_row(state);
    }
    t.chain_bytes.resize(t.chain_bytes.size() + 16);
    return row_of;
}

// The states shallower than `depth` come first in breadth-first order, and so do
// their rows, since none of them has output: no name is shorter than `depth`.
void set_shallow_codes(DenseTable& t, const std::vector<uint32_t>& order,
                       const std::vector<StateDepth>& depth_of, size_t depth) {
    uint32_t rows = 0;
    for (uint32_t state : order) {
        if (depth_of[state] >= depth)
            break;
        ++rows;
        if (depth_of[state] + size_t{1} < kMaxStartBytes)
            t.codes.depth[depth_of[state] + 1] = rows * t.class_count;
    }
    t.codes.shallow = rows * t.class_count;
    for (size_t d = depth; d < kMaxStartBytes; ++d)
        t.codes.depth[d] = t.codes.shallow;
}

}  // namespace

ByteClasses byte_classes(const TrieAutomaton& trie) {
    std::array<bool, 256> used{};
    for (uint8_t byte : trie.child_byte)
        used[byte] = true;
    used[kLf] = used[kCr] = true;
    ByteClasses classes;
    classes.count = 1;
    for (size_t byte = 0; byte < 256; ++byte)
        classes.of[byte] = used[byte] ? static_cast<uint8_t>(classes.count++) : 0;
    return classes;
}

void build_dense_table(const TrieAutomaton& trie, const std::vector<uint32_t>& order,
                       const std::vector<StateDepth>& depth_of, const ByteClasses& classes,
                       size_t shallow_depth, DenseTable& t) {
    t.byte_class = classes.of;
    t.class_count = classes.count;
    size_t row_count = trie.own_name.size() + 1;
    uint32_t width = t.class_count;
    t.row_reciprocal = ((uint64_t{1} << 32) + width - 1) / width;
    std::vector<uint32_t> row_of =
        order_rows(trie, order, find_chain_states(trie, order, depth_of, shallow_depth), t);
    for (ChainRest& rest : t.chain_rest)
        rest.end_code = row_of[rest.end_code] * width;
    t.codes.chain *= width;
    t.codes.output *= width;
    t.codes.line_break = static_cast<uint32_t>(row_count - 1) * width;
    t.entries.assign(row_count * width, 0);
    for (uint32_t state : order) {
        uint32_t* row = t.entries.data() + size_t{row_of[state]} * width;
        if (state != 0) {
            std::memcpy(row, t.entries.data() + size_t{row_of[trie.fail[state]]} * width,
                        width * 4);
        }
        for (uint32_t e = trie.child_begin[state]; e < trie.child_begin[state + 1]; ++e) {
            row[t.byte_class[trie.child_byte[e]]] = row_of[trie.child_state[e]] * width;
        }
        row[t.byte_class[kLf]] = row[t.byte_class[kCr]] = t.codes.line_break;
    }
    if (shallow_depth > 0)
        set_shallow_codes(t, order, depth_of, shallow_depth);
}

std::vector<uint32_t> codes_of_states(const DenseTable& t) {
    std::vector<uint32_t> code_of(t.state_of_row.size());
    for (uint32_t row = 0; row < t.state_of_row.size(); ++row)
        code_of[t.state_of_row[row]] = row * t.class_count;
    return code_of;
}
