#include "platform/memory.h"

#include <malloc.h>

void ReturnFreedMemory()
{
    ::malloc_trim(0);
}

void KeepLargeBlocksApart()
{
    // The allocator's own rule raises the threshold to the largest block
    // freed so far, up to 32 MB: after the first decoded photo went, every
    // later one came from the heap, between records, and its pages stayed.
    // Fixed here instead. The count stays well below the system's limit of
    // mappings per process (65530), and past it the heap serves as before.
    ::mallopt(M_MMAP_THRESHOLD, 256 * 1024);
    ::mallopt(M_MMAP_MAX, 32768);
}
