#pragma once

// The "not-in-number" region option: a region start that stands inside a
// number starts nothing, as a C++14 digit separator in 1'000 or 0x3f80'0000 is
// no character constant's quote (u8'a' still is one). A number is the run of
// letters, digits, '_', '.' and '\'' right before the start, the byte before it
// none of those, that begins with a digit or with '.' and a digit. A run longer
// than kNumberReach bytes is no number: the filter keeps that many bytes back.

#include <cstddef>
#include <cstdint>

#include "rules/rules_text.h"

constexpr size_t kNumberReach = 64;

// Whether the bytes right before `pos` in the text at hand end a number.
bool number_before(const RulesText& text, uint64_t pos);
