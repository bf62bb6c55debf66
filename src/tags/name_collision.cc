#include "tags/name_collision.h"

#include <algorithm>
#include <string_view>

#include "tags/tag_table.h"

namespace {

bool prefix_related(std::string_view a, std::string_view b) {
    return a.starts_with(b) || b.starts_with(a);
}

// Marks every name that is prefix-related to some other name of `names`. In
// sorted order a name's prefixes that are names form a chain ending just before
// it, so one pass with a stack of that chain finds every related pair's members.
std::vector<bool> involved_names(const std::vector<std::string_view>& names) {
    struct Entry {
        std::string_view name;
        size_t index;
    };
    // Sorting the views themselves, not indexes into them, keeps the compares in cache.
    std::vector<Entry> sorted(names.size());
    for (size_t i = 0; i < names.size(); ++i)
        sorted[i] = {names[i], i};
    std::sort(sorted.begin(), sorted.end(),
              [](const Entry& a, const Entry& b) { return a.name < b.name; });
    std::vector<bool> involved(names.size(), false);
    std::vector<const Entry*> chain;
    for (size_t t = 0; t < sorted.size(); ++t) {
        if (t > 0) {
            size_t shared = common_prefix_length(sorted[t - 1].name, sorted[t].name);
            while (!chain.empty() && chain.back()->name.size() > shared)
                chain.pop_back();
        }
        if (!chain.empty()) {
            involved[chain.back()->index] = true;
            involved[sorted[t].index] = true;
        }
        chain.push_back(&sorted[t]);
    }
    return involved;
}

size_t first_marked(const std::vector<bool>& marks, size_t from, size_t to) {
    for (size_t i = from; i < to; ++i) {
        if (marks[i])
            return i;
    }
    return to;
}

size_t first_related(const std::vector<std::string>& names, std::string_view name, size_t from) {
    for (size_t j = from; j < names.size(); ++j) {
        if (prefix_related(name, names[j]))
            return j;
    }
    return names.size();
}

std::vector<std::string_view> views_of(const std::vector<std::string>& names) {
    return std::vector<std::string_view>(names.begin(), names.end());
}

// The smallest index involved in any collision has all its partners above it,
// so the first colliding (i, j) is that index and its first partner.
NameCollision first_collision_within(const std::vector<std::string>& opn_tag,
                                     const std::vector<std::string>& cls_tag) {
    std::vector<bool> opn_involved = involved_names(views_of(opn_tag));
    std::vector<bool> cls_involved = involved_names(views_of(cls_tag));
    size_t n = opn_tag.size();
    size_t i = std::min(first_marked(opn_involved, 0, n), first_marked(cls_involved, 0, n));
    if (i == n)
        return {};
    size_t j_opn = opn_involved[i] ? first_related(opn_tag, opn_tag[i], i + 1) : n;
    size_t j_cls = cls_involved[i] ? first_related(cls_tag, cls_tag[i], i + 1) : n;
    if (j_opn <= j_cls)
        return {CollisionPlace::in_opn, i, j_opn};
    return {CollisionPlace::in_cls, i, j_cls};
}

// Each list being prefix-free by now, every related pair of the joined lists
// has one open and one close name.
NameCollision first_collision_across(const std::vector<std::string>& opn_tag,
                                     const std::vector<std::string>& cls_tag) {
    std::vector<std::string_view> joined = views_of(opn_tag);
    joined.insert(joined.end(), cls_tag.begin(), cls_tag.end());
    std::vector<bool> involved = involved_names(joined);
    size_t n = opn_tag.size();
    size_t j = first_marked(involved, 0, n);
    if (j == n)
        return {};
    return {CollisionPlace::across, j, first_related(cls_tag, opn_tag[j], 0)};
}

}  // namespace

NameCollision find_first_collision(const std::vector<std::string>& opn_tag,
                                   const std::vector<std::string>& cls_tag) {
    NameCollision within = first_collision_within(opn_tag, cls_tag);
    if (within.place != CollisionPlace::none)
        return within;
    return first_collision_across(opn_tag, cls_tag);
}
