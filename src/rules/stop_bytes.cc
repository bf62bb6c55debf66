#include "rules/stop_bytes.h"

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
