#include "nesting/occurrence_list.h"

void add_occurrence_block(OccurrenceList& list) {
    if (!list.blocks.empty())
        list.blocks.back().size = static_cast<size_t>(list.out - list.blocks.back().bytes.get());
    list.blocks.push_back({std::make_unique_for_overwrite<uint8_t[]>(kOccurrenceBlockSize), 0});
    list.out = list.blocks.back().bytes.get();
    list.end = list.out + kOccurrenceBlockSize;
}
