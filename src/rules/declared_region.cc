#include "rules/declared_region.h"

#include <algorithm>

#include "rules/case_fold.h"

namespace {

bool is_blank_byte(int byte) {
    return byte == ' ' || byte == '\t';
}

// The name in braces after a declaring mark ending at `after`: its first byte
// and size, or a size of 0.
std::pair<uint64_t, size_t> name_after(const RulesText& text, uint64_t after) {
    uint64_t end = std::min(text_end(text), after + kDeclaredReach);
    uint64_t q = after;
    auto byte = [&](uint64_t at) { return at < end ? *bytes_at(text, at) : -1; };
    while (is_blank_byte(byte(q)))
        ++q;
    if (byte(q) == '[') {
        while (byte(q) >= 0 && byte(q) != ']' && !is_line_end(byte(q)))
            ++q;
        if (byte(q) != ']')
            return {0, 0};
        ++q;
        while (is_blank_byte(byte(q)))
            ++q;
    }
    if (byte(q) != '{')
        return {0, 0};
    uint64_t from = ++q;
    while (byte(q) >= 0 && is_declared_name_byte(static_cast<uint8_t>(byte(q))) &&
           q - from < kDeclaredName)
        ++q;
    if (q == from || byte(q) != '}')
        return {0, 0};
    return {from, q - from};
}

}  // namespace

void take_declaration(DeclaredRegions& declared, const RulesText& text, uint64_t after,
                      uint32_t rule, const RegionRule& declaration, bool fold) {
    if (declared.all.size() == kDeclaredNames)
        return;
    auto [from, size] = name_after(text, after);
    if (size == 0)
        return;
    std::string name(reinterpret_cast<const char*>(bytes_at(text, from)), size);
    name = folded_if(fold, name);
    RegionRule region;
    region.kind = RegionKind::to_end_mark;
    region.start = folded_if(fold, declaration.named_start) + name + "}";
    region.end = folded_if(fold, declaration.named_end) + name + "}";
    for (const DeclaredRegion& other : declared.all) {
        if (other.rule == rule && other.region.start == region.start)
            return;
    }
    DeclaredRegion& added = declared.all.emplace_back();
    added.rule = rule;
    added.region = std::move(region);
    added.stops = region_stops_of(added.region, fold);
}

const DeclaredRegion* declared_region_at(const DeclaredRegions& declared, const RulesText& text,
                                         TextCase text_case, uint64_t pos, uint32_t rule) {
    for (const DeclaredRegion& one : declared.all) {
        if (one.rule == rule && mark_at(text, text_case, pos, one.region.start))
            return &one;
    }
    return nullptr;
}
