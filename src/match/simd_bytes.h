#pragma once

// The SIMD byte operations the matcher's parts share: block compares and bit
// counts.

#include <cstdint>

#include "text/text_bytes.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
// TAMBERLOX_AVX2: the 32-byte block code (AVX2) is compiled in, as functions
// with their own target attribute; whether the processor runs them is asked
// when the matcher is built (HashedStartSkip.wide_blocks). The build itself
// assumes no more than SSE2.
#if defined(__SSE2__) && defined(__x86_64__) && defined(__GNUC__)
#define TAMBERLOX_AVX2 1
#endif

#if defined(__SSE2__)
inline uint32_t bits_of(__m128i bytes) {
    return static_cast<uint32_t>(_mm_movemask_epi8(bytes));
}

// Without a branch or a library call, which std::popcount may make.
inline uint32_t count_bits(uint32_t bits) {
    bits = bits - ((bits >> 1) & 0x55555555u);
    bits = (bits & 0x33333333u) + ((bits >> 2) & 0x33333333u);
    bits = (bits + (bits >> 4)) & 0x0f0f0f0fu;
    return (bits * 0x01010101u) >> 24;
}
#endif
