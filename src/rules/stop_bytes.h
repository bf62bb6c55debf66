#pragma once

// The bytes a search through the text must stop at (a region's end mark, an
// escape, a line end): a table, and the bytes themselves when they are four at
// most, to be looked for 16 at a time.

#include <array>
#include <cstddef>
#include <cstdint>

struct StopBytes {
    std::array<bool, 256> is_stop{};
    std::array<uint8_t, 4> few{};
    size_t few_count = 0;
    bool many = false;  // more than four
};

void add_stop(StopBytes& stops, uint8_t byte);

// `byte` and every byte that folds to the same, under `fold`.
void add_stop_of_any_case(StopBytes& stops, uint8_t byte, bool fold);

// The stops of a search after a CR: the LF that starts the next line.
const StopBytes& line_end_stops();

// How many bytes from `at` on, up to `span`, are no stop.
// Hot: a change needs a benchmark run.
size_t skip_to_stop(const uint8_t* at, size_t span, const StopBytes& stops);
