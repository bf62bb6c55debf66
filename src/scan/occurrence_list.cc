#include "scan/occurrence_list.h"

#include <sys/mman.h>

#include <cstdlib>
#include <new>

namespace {

void free_chunk(uint8_t* chunk) {
    std::free(chunk);
}

// The first chunk holds one full block, so that a list that stays small takes
// no more; later ones are aligned for huge pages.
void add_chunk(OccurrenceArena& arena) {
    bool first = arena.chunks.empty();
    size_t size = first ? kOccurrenceBlockSize : kOccurrenceChunkSize;
    void* chunk = first ? std::malloc(size) : std::aligned_alloc(kOccurrenceChunkSize, size);
    if (chunk == nullptr)
        throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
    if (!first)
        ::madvise(chunk, size, MADV_HUGEPAGE);
#endif
    arena.chunks.emplace_back(static_cast<uint8_t*>(chunk), free_chunk);
    arena.next = static_cast<uint8_t*>(chunk);
    arena.end = arena.next + size;
}

}  // namespace

void add_occurrence_block(OccurrenceList& list) {
    if (!list.arena)
        list.arena = std::make_shared<OccurrenceArena>();
    OccurrenceArena& arena = *list.arena;
    size_t size = list.blocks.empty() ? kFirstOccurrenceBlockSize : kOccurrenceBlockSize;
    if (static_cast<size_t>(arena.end - arena.next) < size) {
        arena.chunks.reserve(arena.chunks.size() + 1);
        add_chunk(arena);
    }
    if (!list.blocks.empty())
        list.blocks.back().size = static_cast<size_t>(list.out - list.blocks.back().bytes);
    list.blocks.push_back({arena.next, 0});
    arena.next += size;
    list.out = list.blocks.back().bytes;
    list.end = list.out + size;
}
