#include "rules/tag_end.h"

namespace {

// `role` for `byte`, in either case under `fold`, unless it has one.
void give_role(TagEndMark& mark, uint8_t byte, uint8_t role, bool fold) {
    for (unsigned other = 0; other < 256; ++other) {
        bool same =
            fold ? fold_case(static_cast<uint8_t>(other)) == fold_case(byte) : other == byte;
        if (same && mark.role[other] == kPlainByte)
            mark.role[other] = role;
    }
}

// The steps of tag_end_step by byte, where the stops say it stops.
void add_steps(TagEndMark& mark) {
    for (unsigned byte = 0; byte < 256; ++byte) {
        uint8_t& outside = mark.step_outside[byte];
        uint8_t role = mark.role[byte];
        if (!mark.stops.is_stop[byte])
            outside = kPassOver;
        else if (is_line_end(static_cast<int>(byte)))
            outside = kOtherStop;
        else if (mark.starts_end[byte])
            outside = mark.end.size() == 1 ? kEndByte : kOtherStop;
        else if (role != kPlainByte && role != kBreakByte)
            outside = static_cast<uint8_t>(kQuoteStarts + role - 1);
        else
            outside = kOtherStop;
    }
    for (const StopBytes& stops : mark.quote_stops) {
        std::array<uint8_t, 256>& steps = mark.step_in_quote.emplace_back();
        for (unsigned byte = 0; byte < 256; ++byte) {
            if (stops.is_stop[byte])
                steps[byte] = is_line_end(static_cast<int>(byte)) ? kOtherStop : kQuoteEnds;
        }
    }
}

#if defined(__SSE2__)
// The bytes of the 16 from `at` that are a stop in some state of the search
// (mark.stops holds them all: a quote's and a cut line's are among them), a
// bit each; K of the stops looked for, the others repeating the first.
template <size_t K>
uint32_t stop_bits(const uint8_t* at, const TagEndMark& mark) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    __m128i hit = _mm_cmpeq_epi8(v, mark.stop_blocks[0]);
    for (size_t k = 1; k < K; ++k)
        hit = _mm_or_si128(hit, _mm_cmpeq_epi8(v, mark.stop_blocks[k]));
    return static_cast<uint32_t>(_mm_movemask_epi8(hit));
}

enum class BlockEnd { ended, needs_bytes, cut, short_span };

// The search over whole blocks of 16 bytes before `limit`, each stop of a
// block taken in turn where the state it meets stops there, until the search
// ends, needs bytes not at hand, meets a CR or has less than a block left.
template <size_t K>
BlockEnd search_blocks(TagEndSearch& search, const TagEndMark& mark, const RulesText& text,
                       TextCase text_case, uint64_t limit) {
    uint64_t block = search.next;
    uint8_t quote = search.quote;
    for (; limit - block >= 16; block += 16) {
        const uint8_t* at = bytes_at(text, block);
        const uint8_t* steps =
            quote == 0 ? mark.step_outside.data() : mark.step_in_quote[quote - 1].data();
        for (uint32_t bits = stop_bits<K>(at, mark); bits != 0; bits &= bits - 1) {
            unsigned i = static_cast<unsigned>(__builtin_ctz(bits));
            uint8_t step = steps[at[i]];
            if (step == kPassOver)
                continue;
            if (step == kQuoteEnds) {
                quote = 0;
                steps = mark.step_outside.data();
                continue;
            }
            if (step >= kQuoteStarts) {
                quote = static_cast<uint8_t>(step - kQuoteStarts + 1);
                steps = mark.step_in_quote[quote - 1].data();
                continue;
            }
            search.next = block + i;
            search.quote = quote;
            if (step == kEndByte) {
                search.found = true;
                return BlockEnd::ended;
            }
            if (!tag_end_stop(search, mark, text, text_case, at[i]))
                return BlockEnd::needs_bytes;
            if (search.found)
                return BlockEnd::ended;
            if (search.cut)
                return BlockEnd::cut;
            quote = search.quote;
            steps = quote == 0 ? mark.step_outside.data() : mark.step_in_quote[quote - 1].data();
        }
    }
    search.next = block;
    search.quote = quote;
    return BlockEnd::short_span;
}

BlockEnd search_in_blocks(TagEndSearch& search, const TagEndMark& mark, const RulesText& text,
                          TextCase text_case, uint64_t limit) {
    if (mark.block_stops <= 4)
        return search_blocks<4>(search, mark, text, text_case, limit);
    if (mark.block_stops <= 6)
        return search_blocks<6>(search, mark, text, text_case, limit);
    return search_blocks<8>(search, mark, text, text_case, limit);
}

#endif

}  // namespace

bool advance_tag_end_on(TagEndSearch& search, const TagEndMark& mark, const RulesText& text,
                        TextCase text_case, uint64_t limit) {
    uint64_t& next = search.next;
    while (next < limit) {
#if defined(__SSE2__)
        if (mark.block_stops != 0 && !search.cut && limit - next >= 16) {
            BlockEnd end = search_in_blocks(search, mark, text, text_case, limit);
            if (end == BlockEnd::ended)
                return true;
            if (end == BlockEnd::needs_bytes)
                return false;
            continue;
        }
#endif
        const uint8_t* at = bytes_at(text, next);
        size_t span = limit - next;
        size_t i = skip_to_stop(at, span, tag_end_stops(search, mark));
        next += i;
        if (i == span)
            break;
        if (!tag_end_stop(search, mark, text, text_case, at[i]))
            return false;
        if (search.found)
            return true;
    }
    return false;
}

TagEndMark tag_end_mark(const std::string& end, bool fold, const std::string& quotes,
                        bool has_break, char break_byte) {
    TagEndMark mark;
    mark.end = folded_if(fold, end);
    mark.quotes = folded_if(fold, quotes);
    add_stop(mark.stops, kLf);
    add_stop(mark.stops, kCr);
    if (!end.empty()) {
        add_stop_of_any_case(mark.stops, static_cast<uint8_t>(end[0]), fold);
        for (unsigned byte = 0; byte < 256; ++byte)
            mark.starts_end[byte] =
                folded_if(fold, static_cast<uint8_t>(byte)) == static_cast<uint8_t>(mark.end[0]);
    }
    for (size_t q = 0; q < quotes.size(); ++q) {
        uint8_t quote = static_cast<uint8_t>(quotes[q]);
        add_stop_of_any_case(mark.stops, quote, fold);
        give_role(mark, quote, static_cast<uint8_t>(q + 1), fold);
        StopBytes& in_quote = mark.quote_stops.emplace_back();
        add_stop(in_quote, kLf);
        add_stop(in_quote, kCr);
        add_stop_of_any_case(in_quote, quote, fold);
    }
    if (has_break) {
        add_stop_of_any_case(mark.stops, static_cast<uint8_t>(break_byte), fold);
        give_role(mark, static_cast<uint8_t>(break_byte), kBreakByte, fold);
    }
#if defined(__SSE2__)
    mark.block_stops = mark.stops.many ? 0 : mark.stops.few_count;
    for (size_t k = 0; k < 8; ++k) {
        uint8_t stop = mark.stops.few[k < mark.stops.few_count ? k : 0];
        mark.stop_blocks[k] = _mm_set1_epi8(static_cast<char>(stop));
    }
#endif
    add_steps(mark);
    return mark;
}
