#pragma once

// Texts that span many reads or chunks, with the awkward spots at the seams.

#include <cstddef>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "check_support.h"

// About `chunk` * `seams` + `chunk` / 2 bytes of `filler`, with names and cut
// names among them when `names_between`. At every multiple of `chunk` a name stands cut by the
// seam, and a byte of `near_bytes` (a CR, an LF, a 0x1A, ...) stands one or two bytes before that
// name or right after it, or nowhere near.
std::string text_across_chunks(std::mt19937_64& random, const std::vector<std::string>& names,
                               std::string_view filler, size_t chunk, size_t seams,
                               std::string_view near_bytes, bool names_between = true);

// Lines of `length` bytes in all that hold no name: bytes of `alphabet` that no
// name begins with, and LFs.
std::string lines_without_names(std::mt19937_64& random, const std::vector<std::string>& names,
                                size_t length, std::string_view alphabet);

// An even number of random prefix-free names, up to 2 * `most_pairs`; maybe none.
std::vector<std::string> random_name_pairs(std::mt19937_64& random, size_t most_pairs,
                                           const NameStyle& style);
