#include "platform/memory.h"

#include <malloc.h>

void ReturnFreedMemory()
{
    ::_heapmin();
}

void KeepLargeBlocksApart()
{
    // The system's heap already gives large blocks pages of their own.
}
