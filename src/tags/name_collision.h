#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The first pair of names that would make a scan ambiguous, one being a prefix of
// the other (equal names included). Lists are checked each against itself first,
// pairs (first, second) with first < second in order, the open list before the
// close list for the same pair; then open name `first` against close name
// `second`, in order.
enum class CollisionPlace { none, in_opn, in_cls, across };

struct NameCollision {
    CollisionPlace place = CollisionPlace::none;
    size_t first = 0;
    size_t second = 0;
};

// Sorts instead of comparing every pair: O(total length + L n log n), L the
// longest beginning two names share, since each compare of the sort reads the
// bytes the two names share; O(total length + n log n) when names part early.
NameCollision find_first_collision(const std::vector<std::string>& opn_tag,
                                   const std::vector<std::string>& cls_tag);
