#include "rules/rules_collision.h"

#include <algorithm>
#include <string>
#include <vector>

#include "rules/case_fold.h"

namespace {

// Whether names a and b (already folded when the rules fold case) can meet;
// a_word_end and b_word_end say whether each has a word end.
bool names_can_meet(std::string_view a, bool a_word_end, std::string_view b, bool b_word_end) {
    if (b.size() < a.size()) {
        std::swap(a, b);
        std::swap(a_word_end, b_word_end);
    }
    if (!b.starts_with(a))
        return false;
    return !(a_word_end && b.size() > a.size() &&
             is_word_byte(static_cast<unsigned char>(b[a.size()])));
}

struct RuledName {
    std::string text;  // folded under ignore-case
    bool word_end = false;
    size_t owner = 0;  // the id of the name it spells
};

bool meet(const RuledName& a, const RuledName& b) {
    return names_can_meet(a.text, a.word_end, b.text, b.word_end);
}

// Marks every name that can meet some other name of `names`. In sorted order a
// name's prefixes that are names form a chain ending just before it; only those
// can meet it.
std::vector<bool> involved_names(const std::vector<const RuledName*>& names) {
    std::vector<size_t> order(names.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(),
              [&](size_t a, size_t b) { return names[a]->text < names[b]->text; });
    std::vector<bool> involved(names.size(), false);
    std::vector<size_t> chain;
    for (size_t t = 0; t < order.size(); ++t) {
        const std::string& text = names[order[t]]->text;
        while (!chain.empty() && !text.starts_with(names[chain.back()]->text))
            chain.pop_back();
        for (size_t member : chain) {
            if (names[member]->owner != names[order[t]]->owner &&
                meet(*names[member], *names[order[t]]))
                involved[member] = involved[order[t]] = true;
        }
        chain.push_back(order[t]);
    }
    return involved;
}

size_t first_meeting(const std::vector<RuledName>& names, const RuledName& name, size_t from) {
    for (size_t j = from; j < names.size(); ++j) {
        if (meet(name, names[j]))
            return j;
    }
    return names.size();
}

std::vector<const RuledName*> pointers(const std::vector<RuledName>& names) {
    std::vector<const RuledName*> result;
    for (const RuledName& name : names)
        result.push_back(&name);
    return result;
}

size_t first_marked(const std::vector<bool>& marks, size_t to) {
    size_t i = 0;
    while (i < to && !marks[i])
        ++i;
    return i;
}

RuledName ruled_name(std::string_view text, const TagRules& rules, size_t id) {
    return RuledName{folded_if(rules.ignore_case, text), rules.word_end[id], id};
}

std::vector<RuledName> ruled_names(const TagTable& table, const TagRules& rules, size_t kind) {
    std::vector<RuledName> names;
    for (size_t j = 0; j < table.n; ++j)
        names.push_back(ruled_name(name_of(table, 2 * j + kind), rules, 2 * j + kind));
    return names;
}

// Every spelling of every name, in id order, each name before its other spellings.
std::vector<RuledName> every_spelling(const TagTable& table, const TagRules& rules) {
    std::vector<RuledName> spellings;
    for (size_t id = 0; id < 2 * table.n; ++id) {
        spellings.push_back(ruled_name(name_of(table, id), rules, id));
        for (const std::string& other : rules.spellings[id])
            spellings.push_back(ruled_name(other, rules, id));
    }
    return spellings;
}

NameCollision collision_of(size_t a, size_t b) {
    if ((a & 1) != (b & 1))
        return (a & 1) ? NameCollision{CollisionPlace::across, b >> 1, a >> 1}
                       : NameCollision{CollisionPlace::across, a >> 1, b >> 1};
    CollisionPlace place = (a & 1) ? CollisionPlace::in_cls : CollisionPlace::in_opn;
    return {place, std::min(a, b) >> 1, std::max(a, b) >> 1};
}

// The names' other spellings: the first spelling that meets one of another
// name, and its first such partner.
NameCollision first_spelling_collision(const TagTable& table, const TagRules& rules) {
    std::vector<RuledName> spellings = every_spelling(table, rules);
    if (spellings.size() == 2 * table.n)
        return {};
    std::vector<bool> involved = involved_names(pointers(spellings));
    size_t a = first_marked(involved, spellings.size());
    if (a == spellings.size())
        return {};
    for (const RuledName& other : spellings) {
        if (other.owner != spellings[a].owner && meet(spellings[a], other))
            return collision_of(spellings[a].owner, other.owner);
    }
    return {};
}

NameCollision first_name_collision(const TagTable& table, const TagRules& rules) {
    std::vector<RuledName> opn = ruled_names(table, rules, 0);
    std::vector<RuledName> cls = ruled_names(table, rules, 1);
    size_t n = table.n;
    std::vector<bool> opn_involved = involved_names(pointers(opn));
    std::vector<bool> cls_involved = involved_names(pointers(cls));
    size_t i = std::min(first_marked(opn_involved, n), first_marked(cls_involved, n));
    if (i < n) {
        size_t j_opn = opn_involved[i] ? first_meeting(opn, opn[i], i + 1) : n;
        size_t j_cls = cls_involved[i] ? first_meeting(cls, cls[i], i + 1) : n;
        if (j_opn <= j_cls)
            return {CollisionPlace::in_opn, i, j_opn};
        return {CollisionPlace::in_cls, i, j_cls};
    }
    std::vector<const RuledName*> joined = pointers(opn);
    for (const RuledName& name : cls)
        joined.push_back(&name);
    std::vector<bool> involved = involved_names(joined);
    size_t j = first_marked(involved, n);
    if (j == n)
        return {};
    return {CollisionPlace::across, j, first_meeting(cls, opn[j], 0)};
}

}  // namespace

NameCollision find_first_rules_collision(const TagTable& table, const TagRules& rules) {
    NameCollision names = first_name_collision(table, rules);
    if (names.place != CollisionPlace::none)
        return names;
    return first_spelling_collision(table, rules);
}
