#include "rules/tag_end.h"

TagEndMark tag_end_mark(const std::string& end, bool fold, const std::string& quotes,
                        bool has_break, char break_byte) {
    TagEndMark mark;
    mark.end = folded_if(fold, end);
    mark.quotes = folded_if(fold, quotes);
    mark.has_break = has_break;
    mark.break_byte = folded_if(fold, static_cast<uint8_t>(break_byte));
    mark.fold = fold;
    add_stop(mark.stops, kLf);
    add_stop(mark.stops, kCr);
    if (!end.empty())
        add_stop_of_any_case(mark.stops, static_cast<uint8_t>(end[0]), fold);
    for (char quote : quotes) {
        add_stop_of_any_case(mark.stops, static_cast<uint8_t>(quote), fold);
        StopBytes& in_quote = mark.quote_stops.emplace_back();
        add_stop(in_quote, kLf);
        add_stop(in_quote, kCr);
        add_stop_of_any_case(in_quote, static_cast<uint8_t>(quote), fold);
    }
    if (has_break)
        add_stop_of_any_case(mark.stops, static_cast<uint8_t>(break_byte), fold);
    return mark;
}
