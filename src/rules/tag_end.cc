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

}  // namespace

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
    return mark;
}
