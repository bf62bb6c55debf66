#include "rules/tag_end.h"

TagEndMark tag_end_mark(const std::string& end, bool fold) {
    TagEndMark mark{folded_if(fold, end), {}};
    add_stop(mark.stops, kLf);
    add_stop(mark.stops, kCr);
    if (!end.empty())
        add_stop_of_any_case(mark.stops, static_cast<uint8_t>(end[0]), fold);
    return mark;
}

bool closes_itself(const RulesText& text, TextCase text_case, const std::string& closing,
                   uint64_t name_end, const TagEndMark& mark, uint64_t end_start) {
    uint64_t tag_end = end_start + mark.end.size();
    if (tag_end < name_end + closing.size())
        return false;
    return mark_at(text, text_case, tag_end - closing.size(), closing);
}
