#include "rules/tag_end.h"

TagEndMark tag_end_mark(const std::string& end, bool fold) {
    TagEndMark mark{folded_if(fold, end), {}};
    add_stop(mark.stops, kLf);
    add_stop(mark.stops, kCr);
    if (!end.empty())
        add_stop_of_any_case(mark.stops, static_cast<uint8_t>(end[0]), fold);
    return mark;
}
