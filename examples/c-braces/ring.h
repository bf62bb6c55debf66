/* A ring buffer of bytes.
 *
 * Two rules keep it simple:
 *   1) one slot stays empty, so that full and empty differ;
 *   2) the size is a power of two (see RING_MASK).
 * Stray brackets in comments and strings, like "[x" or ":-)", do not
 * count here: only braces do.
 */
#ifndef RING_H
#define RING_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

#define RING_SIZE 256
#define RING_MASK (RING_SIZE - 1)

struct ring {
    unsigned char bytes[RING_SIZE];
    size_t head; /* next byte to read (wraps) */
    size_t tail; /* next free slot */
};

static inline int ring_put(struct ring *ring, unsigned char byte)
{
    size_t next = (ring->tail + 1) & RING_MASK;
    if (next == ring->head) {
        return 0;
    }
    ring->bytes[ring->tail] = byte;
    ring->tail = next;
    return 1;
}

#ifdef __cplusplus
}
#endif

#endif
