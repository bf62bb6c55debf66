#include "rules/stop_bytes.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "rules/case_fold.h"
#include "text/text_bytes.h"

void add_stop(StopBytes& stops, uint8_t byte) {
    if (stops.is_stop[byte])
        return;
    stops.is_stop[byte] = true;
    if (stops.few_count == stops.few.size())
        stops.many = true;
    else
        stops.few[stops.few_count++] = byte;
}

void add_stop_of_any_case(StopBytes& stops, uint8_t byte, bool fold) {
    add_stop(stops, byte);
    if (!fold)
        return;
    for (unsigned other = 0; other < 256; ++other) {
        if (fold_case(static_cast<uint8_t>(other)) == fold_case(byte))
            add_stop(stops, static_cast<uint8_t>(other));
    }
}

const StopBytes& line_end_stops() {
    static const StopBytes stops = [] {
        StopBytes lf;
        add_stop(lf, kLf);
        return lf;
    }();
    return stops;
}

size_t skip_to_stop(const uint8_t* at, size_t span, const StopBytes& stops) {
    // Most stops come within a few bytes: those are looked at one by one.
    size_t near = std::min<size_t>(span, 8);
    size_t i = 0;
    while (i < near && !stops.is_stop[at[i]])
        ++i;
    if (i < near)
        return i;
#if defined(__SSE2__)
    if (!stops.many && stops.few_count > 0) {
        __m128i b[4];
        for (size_t k = 0; k < 4; ++k)
            b[k] = _mm_set1_epi8(static_cast<char>(stops.few[k < stops.few_count ? k : 0]));
        for (; i + 16 <= span; i += 16) {
            __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + i));
            __m128i hit =
                _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, b[0]), _mm_cmpeq_epi8(v, b[1])),
                             _mm_or_si128(_mm_cmpeq_epi8(v, b[2]), _mm_cmpeq_epi8(v, b[3])));
            int mask = _mm_movemask_epi8(hit);
            if (mask != 0)
                return i + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
        }
    }
#endif
    while (i < span && !stops.is_stop[at[i]])
        ++i;
    return i;
}
