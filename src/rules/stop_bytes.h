#pragma once

// The bytes a search through the text must stop at (a region's end mark, an
// escape, a line end): a table, and the bytes themselves when they are eight at
// most, to be looked for 16 at a time.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

struct StopBytes {
    std::array<bool, 256> is_stop{};
    std::array<uint8_t, 8> few{};
    size_t few_count = 0;
    bool many = false;  // more than eight
};

void add_stop(StopBytes& stops, uint8_t byte);

// `byte` and every byte that folds to the same, under `fold`.
void add_stop_of_any_case(StopBytes& stops, uint8_t byte, bool fold);

// The stops of a search after a CR: the LF that starts the next line.
const StopBytes& line_end_stops();

#if defined(__SSE2__)
// From `i` on, 16 bytes at a time while they hold none of the first K stops
// (the others repeat the first): where the block with a stop starts, or the
// last whole block's end.
template <size_t K>
inline size_t skip_few_stops(const uint8_t* at, size_t i, size_t span, const StopBytes& stops) {
    __m128i b[K];
    for (size_t k = 0; k < K; ++k)
        b[k] = _mm_set1_epi8(static_cast<char>(stops.few[k < stops.few_count ? k : 0]));
    for (; i + 16 <= span; i += 16) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + i));
        __m128i hit = _mm_cmpeq_epi8(v, b[0]);
        for (size_t k = 1; k < K; ++k)
            hit = _mm_or_si128(hit, _mm_cmpeq_epi8(v, b[k]));
        int mask = _mm_movemask_epi8(hit);
        if (mask != 0)
            return i + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
    }
    return i;
}
#endif

// How many bytes from `at` on, up to `span`, are no stop.
// Hot: a change needs a benchmark run.
inline size_t skip_to_stop(const uint8_t* at, size_t span, const StopBytes& stops) {
    // Most stops come within a few bytes: those are looked at one by one.
    size_t near = std::min<size_t>(span, 8);
    size_t i = 0;
    while (i < near && !stops.is_stop[at[i]])
        ++i;
    if (i < near)
        return i;
#if defined(__SSE2__)
    if (!stops.many && stops.few_count > 0)
        i = stops.few_count <= 4 ? skip_few_stops<4>(at, i, span, stops)
                                 : skip_few_stops<8>(at, i, span, stops);
#endif
    while (i < span && !stops.is_stop[at[i]])
        ++i;
    return i;
}
